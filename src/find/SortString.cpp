#include "find/SortString.h"

#include "app/ItemSchema.h"

namespace find {

std::string BuildSortString(const SortLevels& levels) {
    int setLevels = 0;
    for (int level : levels) {
        if (level > 0) {
            ++setLevels;
        }
    }
    if (setLevels == 0) {
        return {};
    }
    // Character parts share 80 key characters, so the key never outgrows a dBase index key.
    const std::string width = std::to_string(80 / setLevels);

    std::string expression;
    for (int level : levels) {
        if (level < 1 || level > app::ItemFieldCount) {
            continue;
        }
        const app::ItemField& field = app::ItemFields[static_cast<std::size_t>(level - 1)];
        const std::string name = field.tableName;
        switch (field.kind) {
        case app::FieldKind::Text:
            expression += "Upper(Left(" + name + "," + width + "))+";
            break;
        case app::FieldKind::Integer:
            expression += "STR(" + name + ",12,0)+";
            break;
        case app::FieldKind::Float:
            expression += "STR(" + name + ",12,2)+";
            break;
        case app::FieldKind::Date:
            expression += "DTOS(" + name + ")+";
            break;
        }
    }
    if (!expression.empty()) {
        expression.pop_back();
    }
    return expression;
}

} // namespace find

#include "records/Edit1.h"

namespace records {

// Placeholder until the later task that builds this window replaces it.
TMyEdit::TMyEdit(QWidget* parent) : QDialog(parent) {}

} // namespace records

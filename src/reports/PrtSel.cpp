#include "reports/PrtSel.h"

namespace reports {

// Placeholder until the later task that builds this window replaces it.
TPrintSelect::TPrintSelect(QWidget* parent) : QDialog(parent) {}

} // namespace reports

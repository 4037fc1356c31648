#include "reports/MyRep1.h"

namespace reports {

// Placeholder until the later task that builds this window replaces it.
TMyReport::TMyReport(QWidget* parent) : QDialog(parent) {}

} // namespace reports

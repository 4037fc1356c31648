#include "find/Search1.h"

namespace find {

// Placeholder until the later task that builds this window replaces it.
TMySearch::TMySearch(QWidget* parent) : QDialog(parent) {}

} // namespace find

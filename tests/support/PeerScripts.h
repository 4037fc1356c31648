#pragma once

namespace testsupport {

// Perl (XBase::Index) check of one tag of a .MDX against its table: arguments MDX TAG DBF.
// Exits 1 when keys or record numbers are out of order, out of range or repeated, or when the
// tag's key count differs from the table's record count; prints a one-line summary.
extern const char* const XBaseOrderCheckScript;

} // namespace testsupport

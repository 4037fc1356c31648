#include "support/PeerScripts.h"

namespace testsupport {

const char* const XBaseOrderCheckScript = R"PERL(
my ($mdx, $tag, $dbf) = @ARGV;
my $t = XBase->new($dbf) or die XBase->errstr; my $n = $t->last_record + 1;
my $ix = XBase::Index->new($mdx, tag => $tag) or die XBase::Index->errstr;
$ix->prepare_select; my ($prev, $prec, $cnt, %seen, $bad) = (undef, 0, 0);
while (my ($k, $r) = $ix->fetch) {
  $cnt++; $bad++ if $r < 1 || $r > $n || $seen{$r}++;
  $bad++ if defined $prev && ($k lt $prev || ($k eq $prev && $r <= $prec));
  ($prev, $prec) = ($k, $r) }
die $ix->errstr if $ix->errstr;
print "tag $tag: $cnt keys, table $n records, problems ", $bad // 0, "\n";
exit(($bad || $cnt != $n) ? 1 : 0)
)PERL";

} // namespace testsupport

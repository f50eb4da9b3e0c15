# The .wxs of bench/run's product of many files: file names on standard input,
# one component each, numbered component codes (the same in every release),
# one feature; -v version=X.Y.Z.W.
BEGIN {
  print "<?xml version=\"1.0\"?><Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">"
  print "<Product Id=\"{B0000000-0000-4000-8000-000000000001}\" Name=\"Bench\" Language=\"1033\""
  print " Version=\"" version "\" Manufacturer=\"Bench\" UpgradeCode=\"{B0000000-0000-4000-8000-000000000002}\">"
  print "<Package InstallerVersion=\"200\" Compressed=\"yes\"/><Media Id=\"1\" Cabinet=\"b.cab\" EmbedCab=\"yes\"/>"
  print "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\"><Directory Id=\"INSTALLDIR\" Name=\"Bench\">"
}
{
  printf "<Component Id=\"C%d\" Guid=\"{C0000000-0000-4000-8000-%012d}\">", NR, NR
  printf "<File Id=\"%s\" Source=\"%s\" KeyPath=\"yes\"/></Component>\n", $0, $0
  refs = refs sprintf("<ComponentRef Id=\"C%d\"/>", NR)
}
END { print "</Directory></Directory><Feature Id=\"All\" Level=\"1\">" refs "</Feature></Product></Wix>" }

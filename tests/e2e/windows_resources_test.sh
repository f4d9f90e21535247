#!/usr/bin/env bash
# What a Windows program carries, read back from the built Kestrow.exe with wrestool (Debian:
# icoutils): the version resource with the product's name, description, version and copyright,
# and the application manifest (supported Windows versions, asInvoker, longPathAware).
#   windows_resources_test.sh KESTROW.EXE VERSION
here=$(cd "$(dirname "$0")" && pwd)
exe=$1
version=$2
# shellcheck source=harness.sh
. "$here/harness.sh"

# The version resource's strings are UTF-16: each key and each value comes out on a line of its
# own (a key after a few bytes of its header), the value on the line after its key.
wrestool -x --raw -t 16 "$exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -s '\0' '\n' > version.txt
value() { awk -v key="$1" 'found { print; exit } $0 ~ key "$" { found = 1 }' version.txt; }
expect_value() {  # expect_value KEY WANT
  local got
  got=$(value "$1")
  if [ "$got" = "$2" ]; then pass; else fail "version resource: $1 is '$got', expected '$2'"; fi
}
expect_value ProductName "Kestrow"
expect_value FileDescription "Kestrow PGN reformatter"
expect_value CompanyName "The Kestrow developers"
expect_value LegalCopyright "Copyright (c) 2026 The Kestrow developers"
expect_value FileVersion "$version"
expect_value ProductVersion "$version"
expect_value OriginalFilename "Kestrow.exe"

wrestool -x --raw -t 24 -n 1 "$exe" > manifest.xml
expect_in_manifest() {  # expect_in_manifest PATTERN WHAT
  if grep -q -E "$1" manifest.xml; then pass; else fail "manifest: no $2"; fi
}
expect_in_manifest '<assemblyIdentity [^>]*version="'"${version//./\\.}"'\.0"' "version $version.0"
expect_in_manifest 'requestedExecutionLevel level="asInvoker"' "asInvoker"
expect_in_manifest '<longPathAware [^>]*>true</longPathAware>' "longPathAware"
expect_in_manifest '<supportedOS Id="\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}"/>' \
  "Windows 10 and 11 among the supported versions"
if xmllint --noout manifest.xml 2> /dev/null || ! command -v xmllint > /dev/null; then
  pass
else
  fail "manifest: not well-formed XML"
fi

finish "windows resources"

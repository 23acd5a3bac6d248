#!/usr/bin/env bash
# The engine library's dynamic symbol table: the two C exports and the qv::api functions and
# Session members (each constructor and destructor in its complete and base-object forms),
# nothing else (no layer's internals, no instantiated library template).
#   shared_library_symbols.sh LIBRARY
set -euo pipefail
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | c++filt | sed -E 's/\(.*//' | sort)
expected=$(sort <<'LIST'
ReVirFile
SCanFileVirus
qv::api::ActionName
qv::api::OriginalNameOf
qv::api::QuarantineFolder[abi:cxx11]
qv::api::QuarantineOrigins
qv::api::ResolveQuarantineFolder
qv::api::RestoreQuarantineCopy
qv::api::RestoreQuarantineCopyAs
qv::api::ScanPath
qv::api::Session::LibraryBuilds
qv::api::Session::Scan
qv::api::Session::Session
qv::api::Session::Session
qv::api::Session::Session
qv::api::Session::Session
qv::api::Session::operator=
qv::api::Session::~Session
qv::api::Session::~Session
LIST
)
if [ "$actual" != "$expected" ]; then
  echo "libSCanVirus.so exports what it should not, or lacks an entry point:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "libSCanVirus.so exports exactly:"
echo "$actual"

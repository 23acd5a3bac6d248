// Reads signature source files into records. The format, one record per line (a line ending
// in a backslash continues on the next; '#' starts a comment):
//
//   pattern <id> "<text>" [case] [utf16] [flags=<n>] [note "<text>"]
//   rule <id> "<name>" [disabled] [flags=<n>] = <formula>
//   rule <id> "<name>" [disabled] [flags=<n>] = hex <expression bytes in hex>
//
// Texts take \\ \" \n \r \t \xHH escapes; characters outside ASCII (UTF-8 in the file) are
// stored as their code page 936 (GB2312) double-byte codes. "case" compares the pattern
// case-sensitively, "utf16" also looks for its UTF-16 form, "disabled" keeps a rule out of
// reports (other rules may still refer to it). Identifiers are unique per kind.
#pragma once

#include <string>
#include <vector>

#include "tools/vlb/source_model.h"

namespace qv::vlbc {

struct SourceFile {
  std::string name;     // for messages
  std::string content;
};

// Parses every file; records from all files form one library. Each problem becomes one
// message "file:line: error: ..." in `errors`; the result is only meaningful when none.
LibrarySource ParseSources(const std::vector<SourceFile>& files, std::vector<std::string>& errors);

}  // namespace qv::vlbc

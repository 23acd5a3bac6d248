#include "cli/core/arguments.h"

#include <string>

#include "quorvane_version.h"

namespace qv::cli {

const char kUsage[] =
    "usage: quorvane-scan scan [--repair] [--json] [--jobs N] [--follow-links] [--quarantine DIR] PATH...\n"
    "       quorvane-scan scan [--repair] [--json] [--jobs N] [--follow-links] [--quarantine DIR] --all-drives\n"
    "       quorvane-scan restore [--force] [--quarantine DIR] FILE.vir [DEST]\n"
    "       quorvane-scan quarantine list [--json] [--quarantine DIR]\n"
    "       quorvane-scan --version | --help\n"
    "\n"
    "scan        report infected office documents (files and folders, searched recursively);\n"
    "            --repair first keeps a scrambled copy in the quarantine folder RepairBrack,\n"
    "            then repairs the document in place or deletes it when it cannot be repaired;\n"
    "            --jobs N scans N documents at once (default: one per processor); the lines\n"
    "            are written in walk order (each folder's entries by name) whatever N is, so\n"
    "            runs print the same text;\n"
    "            links to folders outside the given paths are entered only with\n"
    "            --follow-links; /proc, /sys and /dev are never entered\n"
    "restore     turn a quarantine copy back into a normal file (DEST: a file or a folder);\n"
    "            a bare copy name is looked up in the quarantine folder; without DEST the\n"
    "            copy goes back where it came from; an existing file is replaced only with\n"
    "            --force\n"
    "quarantine  list the copies in the quarantine folder, the name each restores to and,\n"
    "            as far as the quarantine index tells, where, when and why it was taken\n"
    "\n"
    "The quarantine folder is RepairBrack beside the program when that folder is writable\n"
    "(a portable folder), else $XDG_DATA_HOME/quorvane/RepairBrack (default\n"
    "~/.local/share/quorvane/RepairBrack); --quarantine DIR names another one.\n"
    "\n"
    "exit status: 0 nothing found, 1 something found, 2 an error or a document not examined\n";

const char kVersionLine[] = "quorvane-scan " QUORVANE_VERSION "\n";

namespace {

ParseResult Error(std::string message) {
  ParseResult result;
  result.error = std::move(message);
  return result;
}

bool ParseJobs(const std::string& text, unsigned& jobs) {
  if (text.empty() || text.size() > 3) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value < 1 || value > kMaxJobs) return false;
  jobs = value;
  return true;
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& args) {
  ParseResult result;
  Arguments& out = result.arguments;
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--repair") {
      out.repair = true;
    } else if (arg == "--json") {
      out.json = true;
    } else if (arg == "--all-drives") {
      out.allDrives = true;
    } else if (arg == "--follow-links") {
      out.followLinks = true;
    } else if (arg == "--force") {
      out.force = true;
    } else if (arg == "--quarantine" || arg.starts_with("--quarantine=")) {
      if (arg == "--quarantine") {
        if (++i == args.size()) return Error("--quarantine needs a folder");
        out.quarantine = args[i];
      } else {
        out.quarantine = arg.substr(std::string("--quarantine=").size());
      }
      if (out.quarantine.empty()) return Error("--quarantine needs a folder");
    } else if (arg == "--jobs" || arg.starts_with("--jobs=")) {
      std::string value;
      if (arg == "--jobs") {
        if (++i == args.size()) return Error("--jobs needs a number");
        value = args[i];
      } else {
        value = arg.substr(std::string("--jobs=").size());
      }
      if (!ParseJobs(value, out.jobs)) {
        return Error("--jobs needs a number from 1 to " + std::to_string(kMaxJobs));
      }
    } else if (arg == "--help" || arg == "-h") {
      out.command = Command::Help;
      result.ok = true;
      return result;
    } else if (arg == "--version") {
      out.command = Command::Version;
      result.ok = true;
      return result;
    } else {
      return Error("unknown option " + arg);
    }
  }
  if (words.empty()) return Error("no command given");
  const std::string command = words.front();
  words.erase(words.begin());

  if (command == "help") {
    out.command = Command::Help;
  } else if (command == "scan") {
    out.command = Command::Scan;
    if (out.allDrives && !words.empty()) return Error("scan takes either paths or --all-drives, not both");
    if (!out.allDrives && words.empty()) return Error("scan needs at least one path (or --all-drives)");
  } else if (command == "restore") {
    out.command = Command::Restore;
    if (words.size() != 1 && words.size() != 2) return Error("restore needs a quarantine copy (and a destination)");
  } else if (command == "quarantine") {
    if (words.size() != 1 || words[0] != "list") return Error("the quarantine command is: quarantine list");
    words.clear();
    out.command = Command::QuarantineList;
  } else {
    return Error("unknown command " + command);
  }
  if (out.command != Command::Scan && (out.repair || out.allDrives || out.followLinks || out.jobs != 0)) {
    return Error("--repair, --jobs, --all-drives and --follow-links belong to the scan command");
  }
  if (out.command != Command::Restore && out.force) return Error("--force belongs to the restore command");
  out.operands = std::move(words);
  result.ok = true;
  return result;
}

}  // namespace qv::cli

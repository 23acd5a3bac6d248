// Positive family corpus: for every named family, the modules its spreading variants carry,
// each judged on its own as the module pass judges it. The fragments keep the family's macro
// and variable names, markers, file names, payload texts and remarks; loops, copies, targets
// and payloads are cut out, so nothing here does anything.
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
constexpr char kColors[] = "Macro.Word97.Colors";
constexpr char kLaroux[] = "Macro.Excel97.Laroux";
constexpr char kTristate[] = "Macro.Office97.Tristate";

std::vector<CorpusCase> Word97Families() {
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
      // Later variants: new subject, body and mail object name, no marker and no payload text.
      {"Melissa later variant: only the address book and replication identifiers are left",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
Options.ConfirmConversions = (1 - 1): Options.VirusProtection = (1 - 1)
' Set AddyBook = oMapi.AddressLists(y)  (loop cut)
' oMail.Subject = "Fwd: the figures"  (cut)
Set ADI1 = ActiveDocument.VBProject.VBComponents.Item(1)
Set NTI1 = NormalTemplate.VBProject.VBComponents.Item(1)
If ADI1.Name <> "Melissa" Then
' NTI1.CodeModule.AddFromString ... (cut)
End If
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
      // The variants that no longer upload: the marker and the checks built on it.
      {"Marker sibling without the upload: marker and infection checks, user log lines",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
On Error Resume Next
Const Marker = "<- this is a marker!"
Set AD = ActiveDocument.VBProject.VBComponents.Item(1)
Set NT = NormalTemplate.VBProject.VBComponents.Item(1)
DocumentInfected = AD.CodeModule.Find(Marker, 1, 1, 10000, 10000)
NormalTemplateInfected = NT.CodeModule.Find(Marker, 1, 1, 10000, 10000)
' copy of the code and the log line cut
End Sub
' 10:15:02 AM - Monday, 2 Mar 1998
' Example User - Example Company
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
      // A sibling with another payload: the transfer file and the author tag remain.
      {"Class sibling: the export to c:\\class.sys and the author tag",
       DocumentModule("ThisDocument", R"vba(Sub AutoClose()
On Error Resume Next
' ad/nt line counts compared (cut)
NormalTemplate.VBProject.VBComponents.Item(1).Export "c:\class.sys"
' host.CodeModule.AddFromFile ("c:\class.sys")  (cut)
' VicodinES /CB
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
      {"Ethan sibling: the code file and the keyword only",
       DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
On Error Resume Next
' Open "c:\ethan.___" For Output As #1 ... (cut)
If Rnd < 0.3 Then ActiveDocument.BuiltInDocumentProperties("Keywords") = "Ethan"
End Sub
)vba"),
       {kEthan}},
      {"Thus: infection marker and the date check as first written",
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
      // As the editor stores it: Now() becomes Now.
      {"Thus as stored by the editor: marker line and the date check on Now",
       DocumentModule("ThisDocument", R"vba('Thus_001'
Private Sub Document_Close()
On Error Resume Next
If Day(Now) = 13 And Month(Now) = 12 Then
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
  };
}

std::vector<CorpusCase> ConvertedFamilies() {
  return {
      // Concept: each of its five macros is its own module after conversion.
      {"Concept module AutoOpen: install check and copies to the global template",
       StandardModule("AutoOpen", R"vba(Public Sub MAIN()
On Error GoTo -1: On Error GoTo Abort
iMacroCount = WordBasic.CountMacros(0, 0)
' see if we're already installed (loop cut)
If WordBasic.[MacroName$](i, 0, 0) = "FileSaveAs" Then bTooMuchTrouble = -1
' WordBasic.MacroCopy sMe$ + ":AAAZFS", "Global:FileSaveAs"  (cut)
' WordBasic.MacroCopy sMe$ + ":AAAZAO", "Global:AAAZAO"  (cut)
WordBasic.SetProfileString "WW6I", Str(1)
Abort:
End Sub
)vba"),
       {kConcept}},
      {"Concept module FileSaveAs: copies into the document being saved",
       StandardModule("FileSaveAs", R"vba(Public Sub MAIN()
Dim dlg As Object: Set dlg = WordBasic.DialogRecord.FileSaveAs(False)
' WordBasic.MacroCopy "Global:AAAZAO", sMe$ + ":AutoOpen"  (cut)
' WordBasic.MacroCopy "Global:AAAZFS", sMe$ + ":AAAZFS"  (cut)
End Sub
)vba"),
       {kConcept}},
      {"Concept module PayLoad: only the remark",
       StandardModule("PayLoad", R"vba(Public Sub MAIN()
Rem That's enough to prove my point
End Sub
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
      // The copy written with the target in a variable: only the source side is literal.
      {"Wazzu variant: copy target built in a variable",
       StandardModule("autoOpen", R"vba(Public Sub MAIN()
On Error Resume Next
dest$ = "Global:" + "autoOpen"
WordBasic.MacroCopy WordBasic.[FileName$]() + ":autoOpen", dest$
If WordBasic.Rnd() < 0.25 Then WordBasic.Insert " wazzu"
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
      {"Cap converted to VBA: the author's remarks in its main macro",
       StandardModule("CAP", R"vba(Public Sub MAIN()
Rem C.A.P: Un virus social.. y ahora digital..
Rem "j4cKy Qw3rTy" (jqw3rty@example.invalid).
Rem Venezuela, Maracay, Dic 1996
End Sub
)vba"),
       {kCap}},
      // The port to VBA keeps the remarks as comments; the menu clearing is cut.
      {"Cap port to VBA: remarks as comments in ThisDocument",
       DocumentModule("ThisDocument", R"vba(' C.A.P: Un virus social... y ahora digital...
' P.D. Que haces gochito ? Nunca seras Simon Bolivar..
Private Sub Document_Open()
On Error Resume Next
' CommandBars("Tools").Controls ... (cut)
End Sub
)vba"),
       {kCap}},
      {"Colors converted to VBA: its main macro counts runs in WIN.INI",
       StandardModule("macros", R"vba(Public Sub MAIN()
On Error Resume Next
c$ = WordBasic.[GetProfileString$]("Windows", "countersu")
' WordBasic.SetProfileString "colors", "Background", ...  (cut)
End Sub
)vba"),
       {kColors}},
      {"Colors module of a taken-over command: the counter and the colour section",
       StandardModule("FileSave", R"vba(Public Sub MAIN()
' WordBasic.ToolsMacro .Name = "macros", .Run  (cut)
WordBasic.SetProfileString "Windows", "countersu", Str(n + 1)
If n Mod 300 = 0 Then WordBasic.SetProfileString "colors", "Window", "0 0 0"
End Sub
)vba"),
       {kColors}},
  };
}

std::vector<CorpusCase> ExcelFamilies() {
  return {
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
      // Variants rename the sheet and the hook procedure.
      {"Laroux variant: sheet and hook renamed, variables kept",
       StandardModule("pldt", R"vba(Sub auto_open()
    Application.OnSheetActivate = "check_pldt"
End Sub

Sub check_pldt()
    c$ = Application.StartupPath
    m$ = Dir(c$ & "\" & "PERSONAL.XLS")
    If m$ = "PERSONAL.XLS" Then p = 1 Else p = 0
    whichfile = p + w * 10
    ' Case 10: n4$ = ActiveWorkbook.Name ... (cut)
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
      {"Tristate relative in a workbook: Excel's start-up folder and PowerPoint's template",
       DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Deactivate()
On Error Resume Next
' ThisWorkbook.VBProject.VBComponents(1).CodeModule.Lines ... (cut)
' Application.StartupPath & "\XLSTART\Book1." (cut)
' PowerPoint's "Blank Presentation.pot" (cut)
End Sub
)vba"),
       {kTristate}},
  };
}

}  // namespace

std::vector<CorpusCase> FamilyModules() {
  return Joined({Word97Families(), ConvertedFamilies(), ExcelFamilies()});
}

}  // namespace qv::test::sigset

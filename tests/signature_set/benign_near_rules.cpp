// Benign modules next to the mass-mailing, automatic-start and registry rules: ordinary macros
// that mail, walk address lists, write the registry, answer events or save into the start-up
// folder, each short of what a rule needs. The comment before each says what it lacks.
#include "tests/signature_set/corpus.h"

namespace qv::test::sigset {
namespace {

std::vector<CorpusCase> Mail() {
  return {
      // Session, address list and the workbook attached, but only when the user clicks.
      {"a button mails the weekly report to the sales list through Outlook", DocumentModule("Sheet1", R"vba(Private Sub cmdSendReport_Click()
    Dim ol As Object, ns As Object, mail As Object, entry As Object
    If MsgBox("Send this week's report to the sales team?", vbYesNo) <> vbYes Then Exit Sub
    ThisWorkbook.Save
    Set ol = CreateObject("Outlook.Application")
    Set ns = ol.GetNameSpace("MAPI")
    Set mail = ol.CreateItem(0)
    For Each entry In ns.AddressLists("Global Address List").AddressEntries("Sales Team").Members
        mail.Recipients.Add entry.Address
    Next entry
    mail.Subject = "Weekly sales report " & Format(Date, "yyyy-ww")
    mail.Attachments.Add ThisWorkbook.FullName
    mail.Display
End Sub
)vba")},
      // Opening the workbook reminds about the report; nothing is mailed from there.
      {"Workbook_Open reminds the user to send the report", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
    If Weekday(Date) = vbFriday Then
        Application.StatusBar = "Friday: press 'Send report' on the Summary sheet to mail the report."
    End If
End Sub
)vba")},
      // Contacts walked at opening to fill a sheet: no attachment, nothing sent.
      {"Workbook_Open copies the Outlook contacts into a sheet", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
    Dim ol As Object, c As Object, r As Long
    Set ol = CreateObject("Outlook.Application")
    r = 2
    For Each c In ol.GetNameSpace("MAPI").GetDefaultFolder(10).Items
        Worksheets("Contacts").Cells(r, 1).Value = c.FullName
        Worksheets("Contacts").Cells(r, 2).Value = c.Email1Address
        r = r + 1
    Next c
End Sub
)vba")},
      // The document mailed to one fixed address when it is closed: no address list walked.
      {"Document_Close sends the signed form to the office", DocumentModule("ThisDocument", R"vba(Private Sub Document_Close()
    Dim ol As Object, mail As Object
    If ActiveDocument.ContentControls(1).Range.Text = "" Then Exit Sub
    If MsgBox("Send the completed form to the HR office?", vbYesNo) = vbNo Then Exit Sub
    ActiveDocument.Save
    Set ol = CreateObject("Outlook.Application")
    Set mail = ol.CreateItem(0)
    mail.To = "hr-office@example.com"
    mail.Subject = "Completed form: " & ActiveDocument.Name
    mail.Attachments.Add ActiveDocument.FullName
    mail.Send
End Sub
)vba")},
  };
}

std::vector<CorpusCase> Registry() {
  return {
      // An add-in keeping its own settings, with its own "Security" and "Level" values.
      {"add-in writes its own settings to the registry when installed", DocumentModule("ThisWorkbook", R"vba(Private Const KEY As String = "HKCU\Software\Example Ltd\Report Tools\"

Private Sub Workbook_AddinInstall()
    Dim sh As Object
    Set sh = CreateObject("WScript.Shell")
    sh.RegWrite KEY & "Settings\InstalledOn", Format(Date, "yyyy-mm-dd"), "REG_SZ"
    sh.RegWrite KEY & "Settings\LogLevel", 2, "REG_DWORD"
    sh.RegWrite KEY & "Security\SignedTemplatesOnly", 1, "REG_DWORD"
End Sub

Private Sub Workbook_Open()
    Dim sh As Object
    Set sh = CreateObject("WScript.Shell")
    On Error Resume Next
    Application.StatusBar = "Report Tools, zoom level " & sh.RegRead(KEY & "Settings\ZoomLevel")
End Sub
)vba")},
      // Word's profile strings for the template's own key at start-up.
      {"AutoExec remembers the last folder in the template's registry key", StandardModule("Startup", R"vba(Sub AutoExec()
    Dim last As String
    last = System.PrivateProfileString("", "HKEY_CURRENT_USER\Software\Example Ltd\Contracts", "LastFolder")
    If last <> "" Then ChangeFileOpenDirectory last
    System.PrivateProfileString("", "HKEY_CURRENT_USER\Software\Example Ltd\Contracts", "Started") = Format(Now, "yyyy-mm-dd hh:nn")
End Sub
)vba")},
      // A registry file for the firm's own key, imported on the user's command.
      {"an administrator's macro imports the firm's settings file", StandardModule("Admin", R"vba(Public Sub ImportFirmSettings()
    Dim f As String
    f = "\\server\it\office-settings.reg"
    If MsgBox("Import " & f & " into your registry?", vbYesNo) = vbYes Then Shell "regedit.exe /s " & Chr(34) & f & Chr(34), vbNormalFocus
End Sub
)vba")},
  };
}

std::vector<CorpusCase> Events() {
  return {
      // Every workbook event that fires by itself, only formatting.
      {"workbook events format new sheets and stamp the save date", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_NewSheet(ByVal Sh As Object)
    If TypeName(Sh) <> "Worksheet" Then Exit Sub
    Sh.Range("A1:F1").Value = Array("Date", "Customer", "Item", "Quantity", "Price", "Amount")
    Sh.Range("A1:F1").Font.Bold = True
    Sh.Columns("A").NumberFormat = "dd.mm.yyyy"
End Sub

Private Sub Workbook_SheetActivate(ByVal Sh As Object)
    ActiveWindow.Zoom = 90
    ActiveWindow.DisplayGridlines = False
End Sub

Private Sub Workbook_BeforeSave(ByVal SaveAsUI As Boolean, Cancel As Boolean)
    Worksheets("Cover").Range("B4").Value = "Saved " & Format(Now, "dd.mm.yyyy hh:nn") & " by " & Application.UserName
End Sub

Private Sub Workbook_Deactivate()
    Application.StatusBar = False
End Sub
)vba")},
      {"sheet events colour the changed cells", DocumentModule("Sheet2", R"vba(Private Sub Worksheet_Change(ByVal Target As Range)
    Target.Interior.Color = RGB(255, 242, 204)
End Sub

Private Sub Worksheet_Activate()
    Me.Range("A1").Select
End Sub
)vba")},
      // Content-control events that fill the form.
      {"content-control events fill in today's date", DocumentModule("ThisDocument", R"vba(Private Sub Document_ContentControlOnEnter(ByVal ContentControl As ContentControl)
    If ContentControl.Title = "Date" And ContentControl.ShowingPlaceholderText Then
        ContentControl.Range.Text = Format(Date, "d mmmm yyyy")
    End If
End Sub

Private Sub Document_ContentControlOnExit(ByVal ContentControl As ContentControl, Cancel As Boolean)
    If ContentControl.Title = "Amount" And Not IsNumeric(ContentControl.Range.Text) Then
        MsgBox "Please enter a number.", vbExclamation
        Cancel = True
    End If
End Sub
)vba")},
      // A localized Auto_Open of an old Spanish workbook that only shows the menu sheet.
      {"Spanish Auto_Abrir shows the menu sheet", StandardModule("Inicio", R"vba(Sub Auto_Abrir()
    Sheets("Menu").Activate
    Application.Caption = "Facturas " & Year(Date)
End Sub

Sub Auto_Cerrar()
    Application.Caption = ""
End Sub
)vba")},
      // Application events hooked by an add-in: a status line.
      {"an add-in class shows the word count before every save", StandardModule("clsAppEvents", R"vba(Public WithEvents App As Word.Application

Private Sub App_DocumentBeforeSave(ByVal Doc As Document, SaveAsUI As Boolean, Cancel As Boolean)
    App.StatusBar = Doc.Name & ": " & Doc.ComputeStatistics(wdStatisticWords) & " words"
End Sub

Private Sub App_DocumentOpen(ByVal Doc As Document)
    Doc.TrackRevisions = (Doc.Path Like "*\Contracts\*")
End Sub
)vba")},
  };
}

std::vector<CorpusCase> StartupFolder() {
  return {
      // The template installs itself in Word's start-up folder, on the user's command only.
      {"a template installs itself in the start-up folder when asked", StandardModule("Install", R"vba(Public Sub InstallForAllDocuments()
    Dim target As String
    target = Application.StartupPath & "\Contract Tools.dot"
    If MsgBox("Install Contract Tools for all documents?", vbYesNo) = vbNo Then Exit Sub
    ActiveDocument.SaveAs FileName:=target, FileFormat:=wdFormatTemplate
    MsgBox "Installed. Restart Word to use the Contract Tools toolbar.", vbInformation
End Sub
)vba")},
      // Saved into XLSTART by a button of the add-in's own sheet.
      {"a button copies the add-in into XLSTART", DocumentModule("Sheet1", R"vba(Private Sub cmdInstall_Click()
    ThisWorkbook.SaveCopyAs Application.StartupPath & "\Report Tools.xla"
    Me.Range("B2").Value = "Installed in " & Application.StartupPath
End Sub
)vba")},
  };
}

}  // namespace

std::vector<CorpusCase> BenignNearRules() {
  return Joined({Mail(), Registry(), Events(), StartupFolder()});
}

}  // namespace qv::test::sigset

// Benign module corpus: ordinary business macros of Word and Excel documents. Several stand
// close to a rule on purpose; the comment before each says what it shares with one.
#include "tests/signature_set/corpus.h"

namespace qv::test::sigset {
namespace {

std::vector<CorpusCase> Excel() {
  return {
      {"format a report table", StandardModule("FormatReport", R"vba(Option Explicit

Public Sub FormatReport()
    Dim ws As Worksheet
    Set ws = ActiveSheet
    With ws.Range("A1").CurrentRegion
        .Font.Name = "Arial"
        .Font.Size = 10
        .Rows(1).Font.Bold = True
        .Rows(1).Interior.Color = RGB(221, 235, 247)
        .Columns.AutoFit
        .Borders.LineStyle = xlContinuous
    End With
    ws.Range("C2:C500").NumberFormat = "#,##0.00"
End Sub
)vba")},
      {"monthly totals over the cells of a column", StandardModule("Totals", R"vba(Option Explicit

Public Sub MonthlyTotals()
    Dim r As Long, lastRow As Long, total As Double
    lastRow = Cells(Rows.Count, 1).End(xlUp).Row
    For r = 2 To lastRow
        If IsNumeric(Cells(r, 3).Value) Then total = total + Cells(r, 3).Value
        If Cells(r, 4).Value < 0 Then Cells(r, 4).Font.Color = vbRed
    Next r
    Cells(lastRow + 2, 2).Value = "Total"
    Cells(lastRow + 2, 3).Value = total
End Sub
)vba")},
      {"pivot table of sales by region", StandardModule("SalesPivot", R"vba(Public Sub BuildPivot()
    Dim pc As PivotCache, pt As PivotTable
    Set pc = ActiveWorkbook.PivotCaches.Create(SourceType:=xlDatabase, SourceData:=Sheets("Data").Range("A1").CurrentRegion)
    Sheets("Summary").Cells.Clear
    Set pt = pc.CreatePivotTable(TableDestination:=Sheets("Summary").Range("A3"), TableName:="SalesByRegion")
    pt.PivotFields("Region").Orientation = xlRowField
    pt.AddDataField pt.PivotFields("Amount"), "Sum of Amount", xlSum
End Sub
)vba")},
      // An automatic macro that only builds a menu bar.
      {"Auto_Open adds a custom menu", StandardModule("Menu", R"vba(Sub Auto_Open()
    Dim bar As CommandBar, btn As CommandBarButton
    On Error Resume Next
    Application.CommandBars("Invoice Tools").Delete
    On Error GoTo 0
    Set bar = Application.CommandBars.Add(Name:="Invoice Tools", Position:=msoBarTop, Temporary:=True)
    Set btn = bar.Controls.Add(Type:=msoControlButton)
    btn.Caption = "New invoice"
    btn.OnAction = "NewInvoice"
    bar.Visible = True
End Sub

Sub Auto_Close()
    On Error Resume Next
    Application.CommandBars("Invoice Tools").Delete
End Sub
)vba")},
      // Workbook_Open that switches Esc off while it refreshes (a protection word, no project access).
      {"Workbook_Open refreshes queries with Esc switched off", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
    Application.EnableCancelKey = xlDisabled
    Application.ScreenUpdating = False
    ThisWorkbook.RefreshAll
    Worksheets("Dashboard").Activate
    Application.ScreenUpdating = True
    Application.EnableCancelKey = xlInterrupt
End Sub
)vba")},
      // A download without anything that runs or saves it.
      {"Workbook_Open fetches exchange rates over HTTP", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
    Dim http As Object, parts() As String, i As Long
    Set http = CreateObject("MSXML2.XMLHTTP")
    http.Open "GET", "https://rates.example.com/eur.csv", False
    http.send
    If http.Status = 200 Then
        parts = Split(http.responseText, vbLf)
        For i = 0 To UBound(parts)
            Worksheets("Rates").Cells(i + 1, 1).Value = parts(i)
        Next i
    End If
End Sub
)vba")},
      // Project access and export at closing: a developer's version-control helper, no import.
      {"Workbook_BeforeClose exports the modules for version control", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_BeforeClose(Cancel As Boolean)
    Dim comp As Object, folder As String
    folder = ThisWorkbook.Path & "\src\"
    If Dir(folder, vbDirectory) = "" Then MkDir folder
    For Each comp In ThisWorkbook.VBProject.VBComponents
        Select Case comp.Type
            Case 1: comp.Export folder & comp.Name & ".bas"
            Case 2: comp.Export folder & comp.Name & ".cls"
        End Select
    Next comp
End Sub
)vba")},
      // A program started at opening, but not one of the system's script hosts.
      {"Auto_Open opens the read-me in Notepad", StandardModule("Help", R"vba(Sub Auto_Open()
    Dim readme As String
    readme = ThisWorkbook.Path & "\readme.txt"
    If Dir(readme) <> "" Then
        If MsgBox("Show the release notes?", vbYesNo) = vbYes Then Shell "notepad.exe " & Chr(34) & readme & Chr(34), vbNormalFocus
    End If
End Sub
)vba")},
      {"database query with ADO into a sheet", StandardModule("Query", R"vba(Public Sub LoadOrders()
    Dim cn As Object, rs As Object
    Set cn = CreateObject("ADODB.Connection")
    cn.Open "Provider=SQLOLEDB;Data Source=sql01;Initial Catalog=Sales;Integrated Security=SSPI;"
    Set rs = cn.Execute("SELECT OrderId, Customer, Amount FROM Orders WHERE OrderDate >= '2016-01-01'")
    Sheets("Orders").Range("A2").CopyFromRecordset rs
    rs.Close
    cn.Close
End Sub
)vba")},
      {"input checks on a sheet", DocumentModule("Sheet1", R"vba(Private Sub Worksheet_Change(ByVal Target As Range)
    If Intersect(Target, Me.Range("B2:B200")) Is Nothing Then Exit Sub
    Application.EnableEvents = False
    If Not IsDate(Target.Value) And Target.Value <> "" Then
        MsgBox "Please enter a date.", vbExclamation
        Target.ClearContents
    End If
    Application.EnableEvents = True
End Sub
)vba")},
      // check_files is also a Laroux procedure name.
      {"a procedure named check_files that lists a folder", StandardModule("Files", R"vba(Sub check_files()
    Dim f As String, r As Long
    r = 2
    f = Dir("\\server\share\invoices\*.xls")
    Do While f <> ""
        Cells(r, 1).Value = f
        Cells(r, 2).Value = FileDateTime("\\server\share\invoices\" & f)
        r = r + 1
        f = Dir()
    Loop
End Sub
)vba")},
      // The personal workbook named, nothing saved there.
      {"Auto_Open calls a macro of the personal workbook", StandardModule("Startup", R"vba(Sub Auto_Open()
    On Error Resume Next
    If Not IsError(Evaluate("ISREF('PERSONAL.XLS'!A1)")) Then Application.Run "PERSONAL.XLS!LoadShortcuts"
    Application.OnKey "^+r", "RefreshReport"
End Sub
)vba")},
      // Saves in code run at opening, but not into the start-up folder.
      {"Workbook_Open archives yesterday's copy", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
    Dim archive As String
    archive = ThisWorkbook.Path & "\archive\" & Format(Date - 1, "yyyy-mm-dd") & ".xls"
    If Dir(archive) = "" Then ThisWorkbook.SaveCopyAs archive
End Sub
)vba")},
      {"export every sheet to PDF", StandardModule("Export", R"vba(Public Sub ExportSheets()
    Dim ws As Worksheet
    For Each ws In ThisWorkbook.Worksheets
        ws.ExportAsFixedFormat Type:=xlTypePDF, Filename:=ThisWorkbook.Path & "\" & ws.Name & ".pdf", Quality:=xlQualityStandard
    Next ws
End Sub
)vba")},
      {"protect and unprotect all sheets", StandardModule("Protection", R"vba(Const PW As String = "budget2016"

Public Sub ProtectAll()
    Dim ws As Worksheet
    For Each ws In ThisWorkbook.Worksheets
        ws.Protect Password:=PW, AllowFormattingCells:=True
    Next ws
End Sub

Public Sub UnprotectAll()
    Dim ws As Worksheet
    For Each ws In ThisWorkbook.Worksheets
        ws.Unprotect Password:=PW
    Next ws
End Sub
)vba")},
      {"import a CSV file line by line", StandardModule("ImportCsv", R"vba(Public Sub ImportCsv()
    Dim path As Variant, line As String, fields() As String, r As Long, n As Integer
    path = Application.GetOpenFilename("CSV files (*.csv), *.csv")
    If path = False Then Exit Sub
    n = FreeFile
    Open path For Input As #n
    r = 1
    Do Until EOF(n)
        Line Input #n, line
        fields = Split(line, ";")
        Cells(r, 1).Resize(1, UBound(fields) + 1).Value = fields
        r = r + 1
    Loop
    Close #n
End Sub
)vba")},
      // kernel32 functions and RtlMoveMemory, no VirtualAlloc.
      {"API declarations for timing and copying", StandardModule("Api", R"vba(Private Declare PtrSafe Function GetTickCount Lib "kernel32" () As Long
Private Declare PtrSafe Sub Sleep Lib "kernel32" (ByVal ms As Long)
Private Declare PtrSafe Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" (dest As Any, src As Any, ByVal n As LongPtr)

Sub Auto_Open()
    Dim t As Long
    t = GetTickCount
    Application.StatusBar = "Loading..."
    Sleep 200
    Application.StatusBar = False
End Sub
)vba")},
      {"copy ranges between workbooks and save a report", StandardModule("Consolidate", R"vba(Public Sub Consolidate()
    Dim src As Workbook, f As String, target As Range
    Set target = ThisWorkbook.Sheets("All").Range("A2")
    f = Dir(ThisWorkbook.Path & "\branches\*.xls")
    Do While f <> ""
        Set src = Workbooks.Open(ThisWorkbook.Path & "\branches\" & f, ReadOnly:=True)
        src.Sheets(1).Range("A2:F100").Copy target
        Set target = target.Offset(99)
        src.Close SaveChanges:=False
        f = Dir()
    Loop
    ThisWorkbook.SaveAs ThisWorkbook.Path & "\consolidated.xls"
End Sub
)vba")},
      {"scheduled refresh with OnTime", DocumentModule("ThisWorkbook", R"vba(Private Sub Workbook_Open()
    Application.OnTime Now + TimeValue("00:15:00"), "RefreshPrices"
End Sub

Private Sub Workbook_BeforeClose(Cancel As Boolean)
    On Error Resume Next
    Application.OnTime EarliestTime:=NextRun, Procedure:="RefreshPrices", Schedule:=False
End Sub
)vba")},
      {"user form for entering an order", StandardModule("OrderForm", R"vba(Private Sub UserForm_Initialize()
    cboCustomer.List = Sheets("Customers").Range("A2:A200").Value
    txtDate.Value = Format(Date, "dd.mm.yyyy")
End Sub

Private Sub cmdOK_Click()
    Dim r As Long
    r = Sheets("Orders").Cells(Rows.Count, 1).End(xlUp).Row + 1
    Sheets("Orders").Cells(r, 1).Value = cboCustomer.Value
    Sheets("Orders").Cells(r, 2).Value = CDate(txtDate.Value)
    Sheets("Orders").Cells(r, 3).Value = Val(txtAmount.Value)
    Unload Me
End Sub
)vba")},
      // Chart markers: "Marker" is also a family's name.
      {"chart series with markers", StandardModule("Charts", R"vba(Public Sub StyleChart()
    Dim s As Series
    For Each s In ActiveSheet.ChartObjects(1).Chart.SeriesCollection
        s.MarkerStyle = xlMarkerStyleCircle
        s.MarkerSize = 7
        s.MarkerBackgroundColor = RGB(255, 255, 255)
        s.Format.Line.Weight = 2
    Next s
End Sub
)vba")},
      // Automation security lowered and restored in a batch job, not at opening.
      {"batch update of workbooks with automation security lowered", StandardModule("Batch", R"vba(Public Sub UpdateTemplates()
    Dim saved As MsoAutomationSecurity, f As String, wb As Workbook
    saved = Application.AutomationSecurity
    Application.AutomationSecurity = msoAutomationSecurityLow
    f = Dir("\\server\templates\*.xlt")
    Do While f <> ""
        Set wb = Workbooks.Open("\\server\templates\" & f)
        wb.Sheets(1).Range("A1").Value = "Company Ltd."
        wb.Close SaveChanges:=True
        f = Dir()
    Loop
    Application.AutomationSecurity = saved
End Sub
)vba")},
      {"class module for an invoice line", StandardModule("clsInvoiceLine", R"vba(Option Explicit
Private mQuantity As Double
Private mPrice As Double

Private Sub Class_Initialize()
    mQuantity = 0
    mPrice = 0
End Sub

Public Property Let Quantity(v As Double)
    mQuantity = v
End Property

Public Property Get Amount() As Double
    Amount = mQuantity * mPrice
End Property
)vba")},
      {"registry settings kept with SaveSetting", StandardModule("Settings", R"vba(Public Function NextInvoiceNumber() As Long
    Dim n As Long
    n = CLng(GetSetting("InvoiceTool", "Numbers", "Last", "1000"))
    n = n + 1
    SaveSetting "InvoiceTool", "Numbers", "Last", CStr(n)
    NextInvoiceNumber = n
End Function
)vba")},
  };
}

std::vector<CorpusCase> Word() {
  return {
      // An automatic macro that only shows a dialog.
      {"AutoNew shows a letter dialog", StandardModule("LetterTemplate", R"vba(Sub AutoNew()
    frmLetter.Show
End Sub

Sub AutoOpen()
    ActiveWindow.View.Type = wdPrintView
    ActiveWindow.ActivePane.View.Zoom.Percentage = 100
End Sub
)vba")},
      {"AutoOpen builds a toolbar", StandardModule("Toolbar", R"vba(Sub AutoOpen()
    Dim cb As CommandBar
    CustomizationContext = ActiveDocument.AttachedTemplate
    On Error Resume Next
    Set cb = CommandBars("Contract Tools")
    On Error GoTo 0
    If cb Is Nothing Then
        Set cb = CommandBars.Add(Name:="Contract Tools", Position:=msoBarTop)
        With cb.Controls.Add(Type:=msoControlButton)
            .Caption = "Insert clause"
            .OnAction = "InsertClause"
            .Style = msoButtonCaption
        End With
    End If
    cb.Visible = True
End Sub
)vba")},
      {"mail merge from a data file", StandardModule("Merge", R"vba(Public Sub RunMerge()
    With ActiveDocument.MailMerge
        .MainDocumentType = wdFormLetters
        .OpenDataSource Name:=ActiveDocument.Path & "\customers.xls", ReadOnly:=True, _
            SQLStatement:="SELECT * FROM `Customers$` WHERE Active = 1"
        .Destination = wdSendToNewDocument
        .SuppressBlankLines = True
        .Execute Pause:=False
    End With
End Sub
)vba")},
      // A letter to someone called Melissa, sent through Outlook with the user's name.
      {"send the letter to Melissa through Outlook", StandardModule("SendLetter", R"vba(Public Sub SendToMelissa()
    Dim ol As Object, mail As Object
    Set ol = CreateObject("Outlook.Application")
    Set mail = ol.CreateItem(0)
    mail.To = "melissa.jones@example.com"
    mail.Subject = "Contract draft from " & Application.UserName
    mail.Body = "Dear Melissa," & vbCrLf & "please find the contract draft attached."
    mail.Attachments.Add ActiveDocument.FullName
    mail.Display
End Sub
)vba")},
      {"Document_Open updates fields", DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
    Dim s As Range
    For Each s In ActiveDocument.StoryRanges
        s.Fields.Update
    Next s
    ActiveDocument.TablesOfContents(1).Update
End Sub
)vba")},
      // OrganizerCopy of styles only.
      {"AutoOpen copies the house styles", StandardModule("Styles", R"vba(Sub AutoOpen()
    Application.OrganizerCopy Source:="\\server\templates\house.dot", Destination:=ActiveDocument.FullName, _
        Name:="Heading 1", Object:=wdOrganizerObjectStyles
    Application.OrganizerCopy Source:="\\server\templates\house.dot", Destination:=ActiveDocument.FullName, _
        Name:="Body Text", Object:=wdOrganizerObjectStyles
End Sub
)vba")},
      // A taken-over FileSave of a document management template.
      {"FileSave fills the document properties first", StandardModule("DocManagement", R"vba(Sub FileSave()
    With ActiveDocument
        .BuiltInDocumentProperties("Author") = Application.UserName
        .BuiltInDocumentProperties("Keywords") = "Contract; " & Format(Date, "yyyy")
        .CustomDocumentProperties("Reviewed").Value = False
        .Save
    End With
End Sub
)vba")},
      {"find and replace in every document of a folder", StandardModule("Replace", R"vba(Public Sub ReplaceCompanyName()
    Dim f As String, doc As Document
    f = Dir("C:\Contracts\*.doc")
    Do While f <> ""
        Set doc = Documents.Open("C:\Contracts\" & f)
        With doc.Content.Find
            .Text = "Old Company Ltd."
            .Replacement.Text = "New Company Ltd."
            .Execute Replace:=wdReplaceAll
        End With
        doc.Close SaveChanges:=wdSaveChanges
        f = Dir()
    Loop
End Sub
)vba")},
      {"table of figures and numbering", StandardModule("Numbering", R"vba(Public Sub RenumberTables()
    Dim t As Table, i As Integer
    For Each t In ActiveDocument.Tables
        i = i + 1
        t.Range.InsertCaption Label:="Table", Title:=" - " & i, Position:=wdCaptionPositionAbove
        t.Rows(1).HeadingFormat = True
        t.Borders.Enable = True
    Next t
End Sub
)vba")},
      // "topic" holds the letters of an author's handle; Ethan is a common first name.
      {"topic index with names", StandardModule("Index", R"vba(Public Sub MarkTopics()
    Dim topics As Variant, t As Variant
    topics = Array("Budget", "Ethan Smith", "Quarterly topic review", "Class schedule")
    For Each t In topics
        With ActiveDocument.Content.Find
            .Text = t
            Do While .Execute
                ActiveDocument.Indexes.MarkEntry Range:=.Parent, Entry:=t
            Loop
        End With
    Next t
End Sub
)vba")},
      {"letter template fills addresses from a form", StandardModule("frmLetter", R"vba(Private Sub cmdOK_Click()
    ActiveDocument.Bookmarks("Recipient").Range.Text = txtName.Text
    ActiveDocument.Bookmarks("Address").Range.Text = txtStreet.Text & vbCr & txtCity.Text
    ActiveDocument.Bookmarks("Date").Range.Text = Format(Date, "d mmmm yyyy")
    Unload Me
End Sub

Private Sub cmdCancel_Click()
    Unload Me
    ActiveDocument.Close SaveChanges:=wdDoNotSaveChanges
End Sub
)vba")},
      {"print selected pages twice", StandardModule("Printing", R"vba(Public Sub PrintTwoCopies()
    Application.PrintOut FileName:="", Range:=wdPrintRangeOfPages, Pages:="1-3", Copies:=2, Collate:=True
    Application.StatusBar = "Sent to " & Application.ActivePrinter
End Sub
)vba")},
      {"log each opening to a text file", DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
    Dim n As Integer
    n = FreeFile
    Open Environ("APPDATA") & "\contract-log.txt" For Append As #n
    Print #n, Format(Now, "yyyy-mm-dd hh:nn:ss") & vbTab & Application.UserName & vbTab & ActiveDocument.Name
    Close #n
End Sub
)vba")},
      {"list a folder with the file-system object", StandardModule("Folder", R"vba(Public Sub ListAttachments()
    Dim fso As Object, f As Object
    Set fso = CreateObject("Scripting.FileSystemObject")
    For Each f In fso.GetFolder(ActiveDocument.Path & "\attachments").Files
        Selection.TypeText f.Name & vbTab & Format(f.Size / 1024, "0.0") & " KB" & vbCr
    Next f
End Sub
)vba")},
      {"Outlook appointment for the contract deadline", StandardModule("Deadline", R"vba(Public Sub AddDeadline()
    Dim ol As Object, appt As Object
    Set ol = CreateObject("Outlook.Application")
    Set appt = ol.CreateItem(1)
    appt.Subject = "Contract deadline: " & ActiveDocument.Name
    appt.Start = DateAdd("d", 14, Date) + TimeValue("09:00")
    appt.ReminderMinutesBeforeStart = 1440
    appt.Save
End Sub
)vba")},
      // Opens the intranet and an Explorer window at opening: hyperlinks and a program, nothing else.
      {"Document_Open offers the intranet page and the project folder", DocumentModule("ThisDocument", R"vba(Private Sub Document_Open()
    If MsgBox("Open the project page on the intranet?", vbYesNo) = vbYes Then
        ActiveDocument.FollowHyperlink Address:="http://intranet.example.com/projects/contracts"
    End If
    Shell "explorer.exe " & Chr(34) & ActiveDocument.Path & Chr(34), vbNormalFocus
End Sub
)vba")},
      {"count words per section", StandardModule("Statistics", R"vba(Public Sub WordsPerSection()
    Dim s As Section, msg As String, i As Integer
    For Each s In ActiveDocument.Sections
        i = i + 1
        msg = msg & "Section " & i & ": " & s.Range.ComputeStatistics(wdStatisticWords) & " words" & vbCr
    Next s
    MsgBox msg, vbInformation, "Statistics"
End Sub
)vba")},
      {"AutoClose asks to remove draft marks", StandardModule("Drafts", R"vba(Sub AutoClose()
    If ActiveDocument.Revisions.Count > 0 Then
        If MsgBox("Accept all tracked changes before closing?", vbYesNo) = vbYes Then ActiveDocument.Revisions.AcceptAll
    End If
    ActiveDocument.Saved = True
End Sub
)vba")},
      {"insert a signature block from AutoText", StandardModule("Signature", R"vba(Public Sub InsertSignature()
    NormalTemplate.AutoTextEntries("Signature").Insert Where:=Selection.Range, RichText:=True
    Selection.TypeParagraph
    Selection.TypeText Application.UserName & ", " & Format(Date, "d mmmm yyyy")
End Sub
)vba")},
  };
}

}  // namespace

std::vector<CorpusCase> BenignModules() {
  return Joined({Excel(), Word(), BenignNearRules()});
}

}  // namespace qv::test::sigset

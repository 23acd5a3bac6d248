// The shipped signature set judged on the corpora: every positive case is reported under
// exactly the expected names, nothing in the benign corpora is reported, every shipped rule
// has a positive case, and no pattern alone is enough for a rule.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/common/work_area.h"
#include "engine/signature/signature_set.h"
#include "tests/signature_set/corpus.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv::test::sigset {
namespace {

std::vector<std::string> g_reported;

bool Record(const char* name, WorkArea&) {
  g_reported.push_back(name);
  return true;
}

class ShippedSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::vector<uint8_t> image = BuildShippedLibrary();
    area_ = new WorkArea();
    tables_ = BuildTablesFromImage(image.data(), image.size(), &Record).release();
    ASSERT_NE(tables_, nullptr);
    AttachWorkArea(*tables_, *area_);
  }
  static void TearDownTestSuite() {
    delete tables_;
    delete area_;
  }

  struct Verdict {
    int32_t fired = 0;                  // rules scoring above 0.0001
    std::vector<std::string> reported;  // rules reported (above 0.001), in order
  };
  static Verdict Judge(const std::vector<uint8_t>& text) {
    g_reported.clear();
    Verdict v;
    v.fired = MatchRulesCounted(text.data(), static_cast<uint32_t>(text.size()), *tables_);
    v.reported = g_reported;
    return v;
  }
  static const SignatureLibrary& Library() { return *tables_->library; }

  static WorkArea* area_;
  static SignatureTables* tables_;
};

WorkArea* ShippedSet::area_ = nullptr;
SignatureTables* ShippedSet::tables_ = nullptr;

std::vector<CorpusCase> AllPositive() { return Joined({PositiveModules(), PositiveSheets()}); }

TEST_F(ShippedSet, EveryPositiveCaseIsReportedUnderExactlyTheExpectedNames) {
  for (const CorpusCase& c : AllPositive()) {
    ASSERT_FALSE(c.expected.empty()) << c.name;
    const Verdict v = Judge(c.text);
    EXPECT_EQ(v.reported, c.expected) << c.name;
    EXPECT_EQ(v.fired, static_cast<int32_t>(c.expected.size())) << c.name;
  }
}

TEST_F(ShippedSet, NothingInTheBenignCorporaFires) {
  for (const CorpusCase& c : Joined({BenignModules(), BenignSheets()})) {
    const Verdict v = Judge(c.text);
    EXPECT_EQ(v.reported, std::vector<std::string>{}) << c.name;
    EXPECT_EQ(v.fired, 0) << c.name;
  }
}

TEST_F(ShippedSet, EveryShippedRuleHasAPositiveCase) {
  std::set<std::string> covered;
  for (const CorpusCase& c : AllPositive()) covered.insert(c.expected.begin(), c.expected.end());
  std::set<std::string> shipped;
  for (const RuleRecord& rule : Library().rules) {
    if (rule.Enabled()) shipped.insert(rule.name);
  }
  EXPECT_EQ(covered, shipped);
}

TEST_F(ShippedSet, EveryReportedNameIsUniqueAndNamesTheKindOfMacro) {
  std::set<std::string> names;
  for (const RuleRecord& rule : Library().rules) {
    if (!rule.Enabled()) continue;
    EXPECT_TRUE(names.insert(rule.name).second) << "two rules report " << rule.name;
    EXPECT_EQ(rule.name.rfind("Macro.", 0), 0u) << rule.name;
  }
}

// One common word, or any other single pattern, never makes a report: every rule but the
// test signature's needs at least two independent patterns.
TEST_F(ShippedSet, NoPatternAloneIsEnoughForARule) {
  const std::string testText = kTestSignatureText;
  for (const PatternRecord& pattern : Library().patterns) {
    const std::string text(pattern.pattern.begin(), pattern.pattern.end());
    const std::vector<std::string> expected =
        text == testText ? std::vector<std::string>{kTestSignatureName} : std::vector<std::string>{};
    for (const std::string& wrapped :
         {text, "Attribute VB_Name = \"Module1\"\r\nSub Report()\r\n  x = \"" + text + "\"\r\nEnd Sub\r\n"}) {
      EXPECT_EQ(Judge(std::vector<uint8_t>(wrapped.begin(), wrapped.end())).reported, expected)
          << "pattern 0x" << std::hex << pattern.id << " \"" << text << "\"";
    }
  }
}

// Every way a macro starts itself, written as the editor stores it (any letter case, Private or
// Public, arguments or none), and as the first line of a module a procedure body follows.
const std::vector<std::string>& AutomaticStarts() {
  static const std::vector<std::string> starts = {
      // Word's automatic macros and Excel's, in several letter cases
      "Sub AutoOpen()", "Sub AutoClose()", "Sub AutoExec()", "Sub AutoNew()", "Sub AutoExit()",
      "Sub Auto_Open()", "Sub AUTO_OPEN()", "Sub auto_open()", "Public Sub aUtO_oPeN()", "Sub Auto_Close()",
      "Sub Auto_Activate()", "Sub Auto_Deactivate()",
      // the localized automatic macros of older Excel versions
      "Sub Auto_Abrir()", "Sub auto_cerrar()", "Sub Auto_Fechar()", "Sub Auto_Activar()",
      "Sub Auto_Desactivar()", "Sub Auto_Ouvrir()", "Sub Auto_Fermer()", "Sub Auto_Activer()",
      "Sub Auto_\xD6" "ffnen()", "Sub auto_\xF6" "ffnen()", "Sub Auto_Schlie\xDF" "en()", "Sub Auto_Aktivieren()",
      "Sub Auto_Apri()", "Sub Auto_Chiudi()", "Sub Auto_Openen()", "Sub Auto_Sluiten()",
      // document, workbook, sheet and chart events
      "Private Sub Document_Open()", "Private Sub Document_Close()", "Private Sub Document_New()",
      "Private Sub Document_ContentControlOnEnter(ByVal ContentControl As ContentControl)",
      "Private Sub Document_ContentControlOnExit(ByVal ContentControl As ContentControl, Cancel As Boolean)",
      "Private Sub Document_ContentControlBeforeDelete(ByVal OldContentControl As ContentControl, ByVal InUndoRedo As Boolean)",
      "Private Sub Document_BuildingBlockInsert(ByVal Range As Range, ByVal Name As String, ByVal Category As String, ByVal BlockType As String, ByVal Template As String)",
      "Private Sub Document_Sync(ByVal SyncEventType As Office.MsoSyncEventType)",
      "Private Sub Document_XMLAfterInsert(ByVal NewXMLNode As XMLNode, ByVal InUndoRedo As Boolean)",
      "Private Sub Workbook_Open()", "Private Sub Workbook_Activate()", "Private Sub Workbook_Deactivate()",
      "Private Sub Workbook_BeforeClose(Cancel As Boolean)",
      "Private Sub Workbook_BeforeSave(ByVal SaveAsUI As Boolean, Cancel As Boolean)",
      "Private Sub Workbook_BeforePrint(Cancel As Boolean)", "Private Sub Workbook_NewSheet(ByVal Sh As Object)",
      "Private Sub Workbook_SheetActivate(ByVal Sh As Object)",
      "Private Sub Workbook_SheetChange(ByVal Sh As Object, ByVal Target As Range)",
      "Private Sub Workbook_WindowActivate(ByVal Wn As Window)", "Private Sub Workbook_AddinInstall()",
      "Private Sub Worksheet_Change(ByVal Target As Range)", "Private Sub Worksheet_Activate()",
      "Private Sub Worksheet_SelectionChange(ByVal Target As Range)", "Private Sub Worksheet_Calculate()",
      "Private Sub Chart_Activate()",
      // application events of a WithEvents object
      "Private Sub appWord_DocumentOpen(ByVal Doc As Document)",
      "Private Sub appWord_DocumentBeforeClose(ByVal Doc As Document, Cancel As Boolean)",
      "Private Sub oApp_DocumentBeforeSave(ByVal Doc As Document, SaveAsUI As Boolean, Cancel As Boolean)",
      "Private Sub oApp_NewDocument(ByVal Doc As Document)", "Private Sub oApp_DocumentChange()",
      "Private Sub xl_WorkbookOpen(ByVal Wb As Workbook)", "Private Sub xl_NewWorkbook(ByVal Wb As Workbook)",
      "Private Sub xl_WorkbookBeforeSave(ByVal Wb As Workbook, ByVal SaveAsUI As Boolean, Cancel As Boolean)",
      "Private Sub xl_WorkbookBeforeClose(ByVal Wb As Workbook, Cancel As Boolean)",
      "Private Sub xl_SheetActivate(ByVal Sh As Object)",
      // ActiveX controls that fire when the document is shown
      "Private Sub InkPicture1_Painted(ByVal hDC As Long, ByVal Rect As MSINKAUTLib.IInkRectangle)",
      "Private Sub Frame1_Layout()",
      // Word commands taken over by a macro of the same name
      "Sub FileSave()", "Sub FileSaveAs()", "Sub FileClose()", "Sub FileOpen()", "Sub FileNew()", "Sub FilePrint()",
      "Sub FilePrintDefault()", "Sub FileExit()", "Sub FileTemplates()", "Sub ToolsMacro()", "Sub ViewVBCode()",
      "Sub ToolsCustomize()", "Sub ToolsOptions()",
      // Excel 5/95 handlers installed by a macro
      "Sub Setup()\r\nApplication.OnSheetActivate = \"Spread\"\r\nEnd Sub\r\nSub Spread()",
      "Sub Setup()\r\nApplication.OnWindow = \"Spread\"\r\nEnd Sub\r\nSub Spread()",
      "Sub Setup()\r\nApplication.OnEntry = \"Spread\"\r\nEnd Sub\r\nSub Spread()",
  };
  return starts;
}

// WordBasic macros converted by Word 97: the module's name is what starts it.
const std::vector<std::string>& ConvertedStartModules() {
  static const std::vector<std::string> names = {"AutoOpen", "AutoExec", "AutoClose", "AutoNew",  "AutoExit",
                                                  "FileSave", "FileSaveAs", "FileOpen", "FileClose", "FileNew",
                                                  "FilePrint", "FileExit", "FileTemplates", "ToolsMacro"};
  return names;
}

std::vector<uint8_t> Module(const std::string& name, const std::string& start, const std::string& body) {
  const std::string text =
      "Attribute VB_Name = \"" + name + "\"\r\n" + start + "\r\n" + body + "\r\nEnd Sub\r\n";
  return std::vector<uint8_t>(text.begin(), text.end());
}

constexpr char kReplicatingBody[] = "NormalTemplate.VBProject.VBComponents(1).CodeModule.AddFromString code";

TEST_F(ShippedSet, EveryAutomaticStartMakesReplicationFireAndAloneStaysClean) {
  for (const std::string& start : AutomaticStarts()) {
    EXPECT_EQ(Judge(Module("Module1", start, kReplicatingBody)).reported,
              std::vector<std::string>{"Macro.Heur.AutoExec.SelfReplicate"})
        << start;
    EXPECT_EQ(Judge(Module("Module1", start, "Application.StatusBar = \"Ready\"")).fired, 0) << start;
  }
  for (const std::string& name : ConvertedStartModules()) {
    EXPECT_EQ(Judge(Module(name, "Public Sub MAIN()", kReplicatingBody)).reported,
              std::vector<std::string>{"Macro.Heur.AutoExec.SelfReplicate"})
        << name;
    EXPECT_EQ(Judge(Module(name, "Public Sub MAIN()", "WordBasic.FileSave")).fired, 0) << name;
  }
  // The same replication in a macro the user runs himself.
  EXPECT_EQ(Judge(Module("Module1", "Sub CopyCode()", kReplicatingBody)).fired, 0);
  EXPECT_EQ(Judge(Module("Module1", "Sub OpenAutoReport()", kReplicatingBody)).fired, 0);
}

// What ordinary business macros do at opening, closing or on any event: none of these alone,
// beside any automatic start, is reported.
TEST_F(ShippedSet, NoOrdinaryBehaviourFiresBesideAnyAutomaticStart) {
  const std::vector<std::string> ordinary = {
      // a report mailed with the document attached, to one address
      "Set ol = CreateObject(\"Outlook.Application\")\r\nSet m = ol.CreateItem(0)\r\nm.To = \"boss@example.com\"\r\n"
      "m.Attachments.Add ActiveDocument.FullName\r\nm.Send",
      // the contacts copied into a sheet
      "For Each c In CreateObject(\"Outlook.Application\").GetNameSpace(\"MAPI\").AddressLists(1).AddressEntries\r\n"
      "Cells(r, 1).Value = c.Name: r = r + 1\r\nNext c",
      // an add-in's own settings
      "CreateObject(\"WScript.Shell\").RegWrite \"HKCU\\Software\\Example\\Tools\\LogLevel\", 2, \"REG_DWORD\"",
      "System.PrivateProfileString(\"\", \"HKEY_CURRENT_USER\\Software\\Example\\Tools\", \"Level\") = \"2\"",
      // the security level read, to warn the user
      "If System.PrivateProfileString(\"\", \"HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\Word\\Security\", "
      "\"Level\") > 2 Then MsgBox \"Please enable macros\"",
      // exchange rates, Notepad, a module export, a dated copy
      "Set h = CreateObject(\"MSXML2.XMLHTTP\")\r\nh.Open \"GET\", \"https://rates.example.com\", False",
      "Shell \"notepad.exe readme.txt\", vbNormalFocus",
      "ThisWorkbook.VBProject.VBComponents(1).Export \"c:\\src\\Module1.bas\"",
      "ThisWorkbook.SaveCopyAs ThisWorkbook.Path & \"\\archive\\copy.xls\"",
      "ThisWorkbook.SendMail Recipients:=\"boss@example.com\"",
      // a level of the add-in's own, through reg.exe and through a registry file
      "Shell \"reg add HKCU\\Software\\Example\\Tools /v Level /t REG_DWORD /d 2 /f\", vbHide",
      "Print #1, \"REGEDIT4\"\r\nPrint #1, \"[HKEY_CURRENT_USER\\Software\\Example\\Tools]\"\r\n"
      "Print #1, \"\"\"Level\"\"=dword:00000001\"\r\nShell \"regedit /s tools.reg\"",
  };
  for (const std::string& start : AutomaticStarts()) {
    for (const std::string& body : ordinary) {
      const Verdict v = Judge(Module("Module1", start, body));
      EXPECT_EQ(v.fired, 0) << start << "\n" << body;
    }
  }
}

// A mass mailer needs all four: an automatic start, a mail session, an address walk and the
// own file as the attachment. Without any one of them, nothing is reported.
TEST_F(ShippedSet, AMassMailerNeedsEachOfItsFourParts) {
  const std::vector<std::string> parts = {
      "Private Sub Document_Open()",
      "Set ns = CreateObject(\"Outlook.Application\").GetNameSpace(\"MAPI\")",
      "Set lst = ns.AddressLists(1).AddressEntries",
      "m.Attachments.Add ActiveDocument.FullName",
  };
  const auto without = [&](size_t left_out) {
    std::string text = "Attribute VB_Name = \"ThisDocument\"\r\n";
    if (left_out != 0) text += parts[0] + "\r\n";
    else text += "Private Sub SendNow()\r\n";
    for (size_t i = 1; i < parts.size(); ++i) {
      if (i != left_out) text += parts[i] + "\r\n";
    }
    text += "End Sub\r\n";
    return std::vector<uint8_t>(text.begin(), text.end());
  };
  EXPECT_EQ(Judge(without(parts.size())).reported, std::vector<std::string>{"Macro.Heur.AutoExec.MassMailer"});
  for (size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(Judge(without(i)).fired, 0) << "without " << parts[i];
}

// Office's macro security lowered in the registry, by every means a macro has. Each fires
// beside an automatic start and stays clean in a macro the user runs himself.
TEST_F(ShippedSet, EveryWayOfLoweringSecurityInTheRegistryFires) {
  const std::vector<std::string> writes = {
      // the script host
      "CreateObject(\"WScript.Shell\").RegWrite \"HKCU\\Software\\Microsoft\\Office\\12.0\\Word\\Security\\VBAWarnings\", 1, \"REG_DWORD\"",
      "CreateObject(\"WScript.Shell\").RegWrite k & \"\\Security\\AccessVBOM\", 1, \"REG_DWORD\"",
      "CreateObject(\"WScript.Shell\").RegWrite k & \"\\Word\\Security\\Level\", 1, \"REG_DWORD\"",
      // Word's profile strings
      "System.PrivateProfileString(\"\", \"HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\Word\\Security\", \"Level\") = 1&",
      "System.PrivateProfileString(\"\", \"HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\8.0\\Excel\\Microsoft Excel\", \"Options6\") = 0&",
      "WordBasic.SetPrivateProfileString \"HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\8.0\\Word\\Options\", \"EnableMacroVirusProtection\", \"0\", \"\"",
      // the API and WMI
      "r = RegSetValueExA(hKey, \"VBAWarnings\", 0, 4, 1&, 4)",
      "reg.SetDWORDValue &H80000001, \"Software\\Microsoft\\Office\\14.0\\Excel\\Security\", \"AccessVBOM\", 1",
      // reg.exe, the key plain and in doubled quotes
      "Shell \"reg add HKCU\\Software\\Microsoft\\Office\\11.0\\Word\\Security /v Level /t REG_DWORD /d 1 /f\", vbHide",
      "Shell \"reg add \"\"HKCU\\Software\\Microsoft\\Office\\11.0\\Word\\Security\"\" /v Level /d 1 /f\", 0",
      // a registry file for regedit
      "Print #1, \"[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\Word\\Security]\"\r\n"
      "Print #1, \"\"\"Level\"\"=dword:00000001\"\r\nShell \"regedit /s c:\\s.reg\"",
      "Print #1, \"[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\Word\\Security]\"\r\n"
      "Print #1, Chr(34) & \"Level\" & Chr(34) & \"=dword:00000001\"\r\nShell \"regedit /s c:\\s.reg\"",
  };
  for (const std::string& body : writes) {
    for (const std::string& start : {"Sub AutoOpen()", "Private Sub Workbook_Open()", "Sub Auto_Abrir()",
                                     "Private Sub Document_ContentControlOnEnter(ByVal c As ContentControl)"}) {
      EXPECT_EQ(Judge(Module("Module1", start, body)).reported,
                std::vector<std::string>{"Macro.Heur.AutoExec.DisableProtection"})
          << start << "\n" << body;
    }
    EXPECT_EQ(Judge(Module("Module1", "Sub SetUpTestMachine()", body)).fired, 0) << body;
  }
}

// A family module is reported under the family's name only, whatever behaviour it also shows.
TEST_F(ShippedSet, EveryFamilyOutranksEveryBehaviour) {
  const std::string behaviours =
      "Sub AutoOpen()\r\nNormalTemplate.VBProject.VBComponents(1).CodeModule.AddFromString x\r\n"
      "Set ol = CreateObject(\"Outlook.Application\"): Set l = ol.GetNameSpace(\"MAPI\").AddressLists(1)\r\n"
      "m.Attachments.Add ActiveDocument.FullName\r\nOptions.VirusProtection = False\r\n"
      "Shell \"powershell -c (New-Object Net.WebClient).DownloadFile(u, f)\", vbHide\r\nEnd Sub\r\n";
  for (const CorpusCase& c : FamilyModules()) {
    std::vector<uint8_t> text = c.text;
    text.insert(text.end(), behaviours.begin(), behaviours.end());
    EXPECT_EQ(Judge(text).reported, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace qv::test::sigset

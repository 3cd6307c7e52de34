#include "core/core_trust.h"

#include <gtest/gtest.h>

namespace kavro::run {
namespace {

using Kind = CoreTrustPlan::Kind;

TEST(CoreTrust, WhenTheFolderIsAdded) {
  const std::wstring folder = L"C:\\Users\\李\\AppData\\Local\\Kavro\\run-1";
  struct Case {
    CoreProfile profile;
    Kind kind;
  };
  for (const auto& [profile, kind] : {
           Case{{L"R23.1", L"1", L"C:\\x"}, Kind::Append},
           Case{{L"R19.1", L"2", std::nullopt}, Kind::Append},
           Case{{L"R24.3", std::nullopt, L""}, Kind::Append},  // SECURELOAD's default is on
           Case{{L"R19.0", L"1", L""}, Kind::NothingToDo},
           Case{{L"R25.0", L"2", L""}, Kind::NothingToDo},
           Case{{L"R23.1", L"0", L""}, Kind::NothingToDo},
           Case{{L"R23.1", L"1", L"C:\\x;c:\\users\\...\\"}, Kind::NothingToDo},
           Case{{L"", L"1", L""}, Kind::NothingToDo},
           Case{{L"23.1", L"1", L""}, Kind::NothingToDo},  // no release key
       }) {
    CoreTrustPlan plan = PlanCoreTrust(profile, folder);
    EXPECT_EQ(plan.kind, kind) << profile.release << L" " << profile.secureLoad.value_or(L"-");
  }
  EXPECT_EQ(PlanCoreTrust({L"R23.1", L"1", L"C:\\x"}, folder).trustedPaths, L"C:\\x;" + folder);
  EXPECT_EQ(PlanCoreTrust({L"R23.1", L"1", std::nullopt}, folder).trustedPaths, folder);

  CoreTrustPlan semicolon = PlanCoreTrust({L"R23.1", L"1", L"C:\\x"}, L"D:\\a;b\\run");
  EXPECT_EQ(semicolon.kind, Kind::Refuse);
  EXPECT_NE(semicolon.refusal.find(L"“D:\\a;b\\run”"), std::wstring::npos);
}

TEST(CoreTrust, NotesComeBackWhole) {
  TrustNote note{
      L"Software\\Autodesk\\AutoCAD\\R23.1\\ACAD-4101:804\\Profiles\\<<未命名配置>>"
      L"\\Variables",
      L"C:\\Kavro\\100%\\run",
      true,
      true,
      L"%APPDATA%\\x;\r\nodd",
      L"%APPDATA%\\x;\r\nodd;C:\\Kavro\\100%\\run"};
  std::string text = TrustNoteText(note);
  EXPECT_EQ(ParseTrustNote(text), note);

  // Cut short, damaged or foreign texts are no notes.
  EXPECT_EQ(ParseTrustNote(text.substr(0, text.size() - 1)), std::nullopt);
  EXPECT_EQ(ParseTrustNote(text.substr(0, text.find("written="))), std::nullopt);
  EXPECT_EQ(ParseTrustNote(""), std::nullopt);
  EXPECT_EQ(ParseTrustNote("other\n" + text.substr(text.find('\n') + 1)), std::nullopt);
  std::string badEscape = text;
  badEscape.replace(badEscape.find("%25"), 3, "%2");
  EXPECT_EQ(ParseTrustNote(badEscape), std::nullopt);
  EXPECT_EQ(ParseTrustNote(text + "extra=1\n"), std::nullopt);
}

TEST(CoreTrust, OnlyKavrosOwnChangeIsUndone) {
  using Kind = TrustUndo::Kind;
  auto kind = [](const TrustNote& note, std::optional<std::wstring> current) {
    return UndoOf(note, current).kind;
  };
  TrustNote note{L"k", L"F", true, false, L"C:\\x", L"C:\\x;F"};
  EXPECT_EQ(kind(note, L"C:\\x;F"), Kind::PutBack);
  EXPECT_EQ(kind(note, L"C:\\x"), Kind::Leave);
  EXPECT_EQ(kind(note, std::nullopt), Kind::Leave);
  // Two runs at once: the other's folder stays, this run's goes, wherever the other put it.
  EXPECT_EQ(UndoOf(note, L"C:\\x;F;G").value, L"C:\\x;G");
  EXPECT_EQ(UndoOf(note, L"G;C:\\x;F").value, L"G;C:\\x");
  EXPECT_EQ(kind(note, L"C:\\x;F\\sub;G"), Kind::Leave);  // not its entry
  note.existed = false;
  EXPECT_EQ(kind(note, L"C:\\x;F"), Kind::Delete);
  EXPECT_EQ(UndoOf(note, L"F;G").value, L"G");
}

}  // namespace
}  // namespace kavro::run

#include "run/trusted_paths.h"

#include <gtest/gtest.h>

namespace kavro::run {
namespace {

TEST(TrustedPaths, VersionsSecureLoadCoverageAndAppending) {
  struct Case {
    const wchar_t* version;
    bool checks;
  };
  for (auto [version, checks] :
       {Case{L"19.0", false}, Case{L"19.1", true}, Case{L"19.1s (LMS Tech)", true},
        Case{L"19.10", true}, Case{L"23.1s (LMS Tech)", true}, Case{L"24.3", true},
        Case{L"24.99", true}, Case{L"25.0", false}, Case{L"25", false}, Case{L"15.0", false},
        Case{L"", false}, Case{L"R24", false}, Case{L".", false}, Case{L" 20.0 ", true}}) {
    EXPECT_EQ(VersionChecksScripts(version), checks) << version;
  }
  for (const wchar_t* off : {L"0", L" 0 ", L"0.0"}) EXPECT_FALSE(SecureLoadOn(off)) << off;
  for (const wchar_t* on : {L"1", L"2", L"", L"0x"}) EXPECT_TRUE(SecureLoadOn(on)) << on;
  const wchar_t* paths = L"C:\\Tools; D:\\Kavro\\ ;;e:\\deep\\...;\"F:\\Quoted\";\\...";
  struct Place {
    const wchar_t* folder;
    bool covered;
  };
  for (auto [folder, covered] :
       {Place{L"C:\\Tools", true}, Place{L"c:\\tools\\", true}, Place{L"C:\\Tools\\Sub", false},
        Place{L"D:\\Kavro", true}, Place{L"D:\\Kav", false}, Place{L"D:\\Kavro2", false},
        Place{L"E:\\Deep", true}, Place{L"E:\\Deep\\a\\b", true}, Place{L"E:\\Deeper", false},
        Place{L"F:\\Quoted", true}, Place{L"", false}, Place{L"G:\\", false}}) {
    EXPECT_EQ(TrustedPathsCover(paths, folder), covered) << folder;
  }
  EXPECT_TRUE(TrustedPathsCover(L"C:\\...", L"C:\\Program Files\\Kavro"));
  EXPECT_FALSE(TrustedPathsCover(L"", L"C:\\Kavro"));
  EXPECT_FALSE(TrustedPathsCover(L";;", L"C:\\Kavro"));
  // A folder appended after the others.
  for (const wchar_t* none : {L"", L"  "})
    EXPECT_EQ(WithTrustedFolder(none, L"C:\\Kavro"), L"C:\\Kavro");
  EXPECT_EQ(WithTrustedFolder(L"D:\\x", L"C:\\Kavro"), L"D:\\x;C:\\Kavro");
  EXPECT_EQ(WithTrustedFolder(L"D:\\x;", L"C:\\Kavro"), L"D:\\x;C:\\Kavro");
}

}  // namespace
}  // namespace kavro::run

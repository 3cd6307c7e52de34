#include "run/trusted_paths.h"

#include <gtest/gtest.h>

namespace kavro::run {
namespace {

TEST(TrustedPaths, VersionsAndSecureLoadThatCheckScripts) {
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
}

TEST(TrustedPaths, CoverageAndAppendingAFolder) {
  const wchar_t* paths = L"C:\\Tools; D:\\Kavro\\ ;;e:\\deep\\...;\"F:\\Quoted\";\\...";
  struct Case {
    const wchar_t* folder;
    bool covered;
  };
  for (auto [folder, covered] :
       {Case{L"C:\\Tools", true}, Case{L"c:\\tools\\", true}, Case{L"C:\\Tools\\Sub", false},
        Case{L"D:\\Kavro", true}, Case{L"D:\\Kav", false}, Case{L"D:\\Kavro2", false},
        Case{L"E:\\Deep", true}, Case{L"E:\\Deep\\a\\b", true}, Case{L"E:\\Deeper", false},
        Case{L"F:\\Quoted", true}, Case{L"", false}, Case{L"G:\\", false}}) {
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

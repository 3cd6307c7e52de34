// What AutoCAD reports about its script security: its version, SECURELOAD and TRUSTEDPATHS, and
// the script's folder. Input: the four texts, NUL between them. Checked: a folder appended to
// the trusted ones is then trusted, and the folders trusted before stay trusted.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "run/trusted_paths.h"

namespace {

using namespace kavro::run;
using kavro::fuzz::Check;

// A folder that can stand in TRUSTEDPATHS at all: one entry, naming a folder, and not ending in
// "..." (which marks the folders below an entry; Windows drops a name's trailing dots anyway).
bool Listable(const std::wstring& folder) {
  if (folder.find(L';') != std::wstring::npos) return false;
  size_t last = folder.find_last_not_of(L" \t\\/\"");
  return last != std::wstring::npos && folder[last] != L'.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::wstring> f = kavro::fuzz::Split(kavro::fuzz::WideText(data, size), L'\0', 4);
  f.resize(4);
  const std::wstring& version = f[0];
  const std::wstring& trusted = f[2];
  const std::wstring& folder = f[3];
  VersionChecksScripts(version);
  SecureLoadOn(f[1]);

  std::wstring widened = WithTrustedFolder(trusted, folder);
  bool before = TrustedPathsCover(trusted, folder);
  if (Listable(folder)) {
    Check(TrustedPathsCover(widened, folder), "an appended folder is trusted");
  }
  Check(!before || TrustedPathsCover(widened, folder), "a trusted folder stays trusted");
  std::wstring kept = trusted.substr(0, trusted.find_last_not_of(L" \t") + 1);
  Check(widened.ends_with(folder) && widened.starts_with(kept),
        "the folder is added at the end, nothing else taken away");
  return 0;
}

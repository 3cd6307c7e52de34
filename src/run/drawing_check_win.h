#pragma once
// The drawing check's questions put to the file system.
#include <string>
#include <string_view>

#include "run/drawing_check.h"

namespace kavro::run {

class DrawingFilesOnDisk final : public DrawingProbe {
 public:
  DrawingFileState Probe(const std::wstring& path, bool existenceOnly) override;
};

// Whether `script` can be written in the ANSI code page, as the script files are.
bool AnsiEncodable(std::wstring_view script);

}  // namespace kavro::run

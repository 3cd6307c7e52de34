#pragma once
// The captions of the program's message boxes.
namespace kavro {

inline constexpr wchar_t kProgramTitle[] = L"Kavro";
// The one-message failures of the drawing list and the template files.
inline constexpr wchar_t kErrorTitle[] = L"错误";

}  // namespace kavro

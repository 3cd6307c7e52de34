#pragma once
// Where the program's links lead: the only place that names them.
namespace kavro::links {

// The home page: a web address made of a host name alone.
inline constexpr wchar_t kHomePage[] = L"http://www.kavro.org";
inline constexpr wchar_t kMail[] = L"mailto:support@kavro.org";
// The organisation behind the program (the About window's organisation label).
inline constexpr wchar_t kOrganisation[] = L"http://www.kavro.org/team.htm";
// The side windows show pages of the same site.
inline constexpr wchar_t kGoodDownloadsPage[] = L"http://www.kavro.org/gdownload.htm";
inline constexpr wchar_t kBetterDownloadsPage[] = L"http://www.kavro.org/bdownload.htm";

}  // namespace kavro::links

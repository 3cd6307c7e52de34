#include "app/about_layout.h"

#include "base/links.h"

namespace kavro {

namespace {

using A = AboutControl;
using K = AboutKind;

// Who the window names.
constexpr wchar_t kSiteName[] = L"Kavro 软件站";
constexpr wchar_t kAuthor[] = L"卡沃";
constexpr wchar_t kOrganisationName[] = L"Kavro 开源项目组";

constexpr AboutFont kHeading{L"Tahoma", 9.0f};
constexpr AboutFont kPlainLink{L"Tahoma", 8.25f, false, true};
constexpr AboutFont kSmallLink{L"Verdana", 6.75f, false, true};
constexpr AboutFont kHeader{L"宋体", 9.0f, true};
constexpr AboutFont kButton{L"宋体", 9.0f};

struct Texts {
  std::wstring homePage = LinkDisplayText(links::kHomePage);
  std::wstring mail = LinkDisplayText(links::kMail);
  std::wstring header = std::wstring(kSiteName) + L"－原创、专业、免费、无限制";
};

const Texts& TheTexts() {
  static const Texts texts;
  return texts;
}

const std::span<const AboutDesign> Design() {
  static const AboutDesign design[] = {
      {A::picBGHead, K::Picture, A::None, 0, 0, 5790, 615, L"", nullptr, kAboutDefaultFont,
       kAboutWhite, links::kHomePage, false},
      {A::picBGHeadIcon, K::Icon, A::picBGHead, 240, 120, 480, 480, L"", nullptr, kAboutDefaultFont,
       kAboutWhite, links::kHomePage, false},
      {A::lblBGHeadInfo1, K::Label, A::picBGHead, 960, 240, 3855, 255, TheTexts().header.c_str(),
       links::kOrganisation, kHeader, kAboutBlack, links::kHomePage, false},
      {A::Label2, K::Label, A::None, 600, 720, 600, 210, L"作 者：", nullptr, kHeading, kAboutRed,
       nullptr, false},
      {A::Label7, K::Label, A::None, 1320, 720, 540, 195, kAuthor, nullptr, kAboutDefaultFont,
       kAboutBlue, nullptr, false},
      {A::Label3, K::Label, A::None, 600, 1080, 600, 210, L"单 位：", nullptr, kHeading, kAboutRed,
       nullptr, false},
      {A::Label9, K::Label, A::None, 1320, 1080, 1800, 195, kOrganisationName, links::kOrganisation,
       kPlainLink, kAboutBlue, links::kOrganisation, true},
      {A::Label5, K::Label, A::None, 555, 1440, 645, 210, L"E-mail：", nullptr, kHeading, kAboutRed,
       nullptr, false},
      {A::lblHomepage, K::Label, A::None, 1320, 1440, 1950, 180, TheTexts().mail.c_str(), nullptr,
       kSmallLink, kAboutBlue, links::kMail, true},
      {A::Label6, K::Label, A::None, 300, 1800, 900, 210, L"软件下载：", nullptr, kHeading,
       kAboutRed, nullptr, false},
      {A::Label4, K::Label, A::None, 1320, 1800, 1395, 180, TheTexts().homePage.c_str(), kSiteName,
       kSmallLink, kAboutBlue, links::kHomePage, true},
      {A::Command1, K::Button, A::None, 3480, 1440, 1335, 375, L"  确  定", nullptr, kButton,
       kAboutBlack, nullptr, false},
  };
  return design;
}

}  // namespace

std::wstring AboutCaption() { return kSiteName; }

std::span<const AboutDesign> AboutWindowDesign() { return Design(); }

std::wstring LinkDisplayText(const std::wstring& target) {
  for (const wchar_t* scheme : {L"http://", L"https://", L"mailto:"}) {
    std::wstring prefix = scheme;
    if (target.compare(0, prefix.size(), prefix) == 0) {
      return target.substr(prefix.size());
    }
  }
  return target;
}

}  // namespace kavro

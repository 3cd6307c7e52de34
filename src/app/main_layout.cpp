#include "app/main_layout.h"

#include <stdexcept>

namespace kavro {

namespace {

using K = ControlKind;
using C = MainControl;

constexpr wchar_t kListTip[] = L"双击删除单个列表";

constexpr ControlDesign kDesign[] = {
    {C::xpcmdbutton7, K::Button, C::None, 5640, 4680, 1695, 375, L"  修改预览", nullptr},
    {C::xpcmdbutton2, K::Button, C::None, 5640, 6750, 1695, 375, L"  更多软件", nullptr},
    {C::xpcmdbutton3, K::Button, C::None, 5640, 7440, 1695, 375, L"  退   出", nullptr},
    {C::Command9, K::Button, C::None, 5640, 5370, 1695, 375, L"  批量修改", nullptr},
    {C::xpcmdbutton4, K::Button, C::None, 5640, 6060, 1695, 375, L"  帮   助", nullptr},
    {C::Frame2, K::Frame, C::None, 120, 3960, 4335, 4095, L"修改列表", nullptr},
    {C::Text1, K::MultiLineText, C::Frame2, 120, 240, 2535, 3735, L"", nullptr},
    {C::xpcmdbutton1, K::Button, C::Frame2, 2880, 3360, 1215, 375, L"  保存列表", nullptr},
    {C::xpcmdbutton5, K::Button, C::Frame2, 2880, 2760, 1215, 375, L"  读取列表", nullptr},
    {C::Option1, K::OptionButton, C::None, 5160, 4080, 975, 255, L"for R14", nullptr},
    {C::Option2, K::OptionButton, C::None, 6600, 4080, 1215, 255, L"for R2000+", nullptr},
    {C::CAD, K::DropDownList, C::Frame2, 2880, 1320, 1215, 315, kAutomaticCad, nullptr},
    {C::Text2, K::Text, C::Frame2, 3000, 2160, 855, 270, L"1", nullptr},
    {C::Label1, K::Label, C::Frame2, 3000, 1800, 735, 255, L"起始页码", nullptr},
    {C::Frame1, K::Frame, C::None, 120, 120, 8055, 3735, L"初始化文件", kListTip},
    {C::List2, K::ListBox, C::Frame1, 120, 240, 7755, 2760, L"", kListTip},
    {C::xpcmdbutton6, K::Button, C::Frame1, 240, 3180, 1215, 375, L"  添加文件",
     L"支持资源管理器拖放文件！"},
    {C::xpcmdbutton8, K::Button, C::Frame1, 3480, 3180, 1215, 375, L"  删除全部", nullptr},
    {C::xpcmdbutton9, K::Button, C::Frame1, 1860, 3180, 1215, 375, L"  删除选择", nullptr},
    {C::xpcmdbutton10, K::Button, C::Frame1, 5100, 3180, 1215, 375, L"  保存列表", nullptr},
    {C::xpcmdbutton11, K::Button, C::Frame1, 6720, 3180, 1215, 375, L"  读取列表", nullptr},
};

}  // namespace

std::span<const ControlDesign> MainWindowDesign() { return kDesign; }

const ControlDesign& DesignOf(MainControl id) {
  for (const auto& d : kDesign) {
    if (d.id == id) {
      return d;
    }
  }
  throw std::out_of_range("no such control");
}

}  // namespace kavro

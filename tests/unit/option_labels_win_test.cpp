// The words of the main window's drop-downs and captions, measured in the fonts the window gives
// them under Wine. Windows only: the measuring is GDI.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "ui/entry_choices.h"
#include "ui/header_layout.h"
#include "ui/main_layout.h"
#include "util/gdi_win.h"
#include "util/wide_text_win.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

constexpr int Scales[] = {96, 120, 144, 192};

class Measuring : public ::testing::Test {
 protected:
  Measuring() : dc_(CreateCompatibleDC(nullptr)) {}
  ~Measuring() override { DeleteDC(dc_); }

  int Width(std::string_view text, HFONT font) {
    const HGDIOBJ previous = SelectObject(dc_, font);
    const std::wstring wide = Wide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc_, previous);
    return static_cast<int>(size.cx);
  }

  HDC dc_;
};

TEST_F(Measuring, EveryOptionLabelFitsItsClosedDropDownBesideTheArrow) {
  const std::vector<std::string> filterLabels = {std::string(AllGroupsLabel),
                                                 std::string(NoGroupFilterLabel)};
  for (int dpi : Scales) {
    const UniqueFont font = MakeFont(ScaleToDpi(ControlFontHeight, dpi), FW_NORMAL);
    // The arrow button and the face's margins.
    const int arrowAndMargins = ScaleToDpi(17 + 10, dpi);
    auto fits = [&](MainControl box, std::string_view label) {
      const int room = ScaleToDpi(PlaceOf(box).rect, dpi).Width() - arrowAndMargins;
      EXPECT_LE(Width(label, font.get()), room) << label << " at " << dpi;
    };
    for (auto [box, kind] : {std::pair{MainControl::When, OptionBox::When},
                             std::pair{MainControl::Where, OptionBox::Where},
                             std::pair{MainControl::Case, OptionBox::Case}}) {
      for (std::string_view label : OptionLabels(kind)) fits(box, label);
    }
    fits(MainControl::Group, NoGroupLabel);
    for (const std::string& label : filterLabels) fits(MainControl::GroupFilter, label);
  }
}

TEST_F(Measuring, EveryCaptionAndLabelFitsItsPlaceInItsFont) {
  for (int dpi : Scales) {
    const UniqueFont caption = MakeFont(ScaleToDpi(CaptionFontHeight, dpi), FW_BOLD);
    const UniqueFont regular = MakeFont(ScaleToDpi(ControlFontHeight, dpi), FW_NORMAL);
    for (const ControlPlace& place : MainControlPlaces()) {
      const std::string_view words = ControlWords(place.control);
      if (words.empty()) continue;
      const UniqueFont& font = IsCaption(place.control) ? caption : regular;
      EXPECT_LE(Width(words, font.get()), ScaleToDpi(place.rect, dpi).Width())
          << words << " at " << dpi;
    }
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

#endif  // _WIN32

#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/match/trigger_table.h"
#include "settings/shortcut.h"
#include "ui/search_popup.h"
#include "util/window_win.h"

namespace tarquel {

inline constexpr const wchar_t* SearchPopupClassName = L"TarquelSearch";

// The search popup: a global shortcut opens it near the caret of the window that has the
// focus; typing filters the triggers, the arrow keys choose, Enter puts the chosen expansion
// into that window through the expansion sender (as a typed trigger's would go, placeholders
// and paste included), Escape or leaving it closes it.
class SearchPopup : public BaseWindow<SearchPopup> {
 public:
  explicit SearchPopup(const TriggerTable& table);
  ~SearchPopup();
  SearchPopup(const SearchPopup&) = delete;
  SearchPopup& operator=(const SearchPopup&) = delete;

  // False when another program holds the shortcut; the popup is then reachable no other way.
  bool RegisterShortcut(const Shortcut& shortcut);
  void Open();
  // The table's entries were replaced: the rows shown point to none of them any more.
  void TableChanged();

 private:
  friend class BaseWindow<SearchPopup>;

  // The field's subclass procedure; `self` is the popup.
  static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Refilter();
  void Close();
  void InsertChosen();
  // Hides the popup and gives the focus back to the window it was opened over; `insert`, if
  // any, goes there once the focus has surely come back (see RefocusWatch).
  void ReturnToTarget(std::optional<std::pair<std::string, std::string>> insert);
  void OnRefocusTick();

  const TriggerTable& table_;
  HWND window_ = nullptr;
  HWND field_ = nullptr;
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  HWND target_ = nullptr;
  std::vector<const TriggerTable::Entry*> shown_;
  RefocusWatch refocus_;
  // The trigger and expansion chosen, waiting for the focus to come back.
  std::optional<std::pair<std::string, std::string>> pendingInsert_;
  bool refocusing_ = false;
  bool registered_ = false;
};

}  // namespace tarquel

#pragma once
// What the toolkit stand-in keeps across its classes: windows by handle and by object, open
// menus, the layouts it ships and the screen it draws on.
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "emu/Transcript.h"
#include "hostapi/DuiLib/UIlib.h"

namespace emu::toolkit {

// A control tree read from one of the toolkit's layouts, with the window's size; the layout
// name is the skin path with separators made '/' and leading "../" and "./" removed.
struct Layout {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<std::unique_ptr<DuiLib::CControlUI>> controls;
  std::map<DuiLib::CControlUI*, DuiLib::CControlUI*> parents;
};

struct WindowRecord {
  std::string className;
  bool visible = false;
  DuiLib::CPaintManagerUI* manager = nullptr;  // of a window built from a layout
};

// What a paint manager holds: its window and the controls of its layout.
struct Tree {
  platform::HWND window = nullptr;
  std::string className;
  Layout layout;
};

// What a menu holds: its items and the paint manager of the window it was opened for.
struct MenuItems {
  Layout layout;
  DuiLib::CPaintManagerUI* owner = nullptr;
};

struct State {
  std::mutex mu;
  std::map<const DuiLib::CPaintManagerUI*, std::unique_ptr<Tree>> trees;
  std::map<const DuiLib::CMenuWnd*, std::unique_ptr<MenuItems>> menuItems;
  // Every toolkit window object, with its class name once the toolkit has seen it.
  std::map<DuiLib::CWindowWnd*, std::string> alive;
  std::map<platform::HWND, DuiLib::CWindowWnd*> byHandle;
  std::map<platform::HWND, WindowRecord> records;
};
State& Tables();

// The tree of a paint manager, the items of a menu (both live as long as their object).
Tree& TreeOf(const DuiLib::CPaintManagerUI& manager);
MenuItems& ItemsOf(const DuiLib::CMenuWnd& menu);

// A "ui" line.
void Note(const char* op, Line fields);

// Throws std::runtime_error when the layout is unknown or malformed.
Layout LoadLayout(const std::wstring& skinPath, bool menu);

// The screen: its size in pixels, its scale in percent, its direction (1: right to left).
struct Screen {
  int width = 1920;
  int height = 1080;
  int scalePercent = 100;
  int direction = 0;
};
Screen CurrentScreen();
int Scaled(int pixels);

// The id behind a text that UICulture gave out, or empty.
std::string TextIdOf(const std::wstring& text);
std::string Utf8(const std::wstring& text);

// The open menu whose owner is the window, or null; the item of a menu carrying the user
// data, or null.
const DuiLib::CMenuWnd* OpenMenuOf(platform::HWND owner);
DuiLib::CMenuElementUI* MenuItemWith(const DuiLib::CMenuWnd& menu, const std::wstring& userData);

// Sets where a window is without a "ui" line (the toolkit placing its own window).
void PlaceWindow(platform::HWND window, const platform::RECT& rect);

}  // namespace emu::toolkit

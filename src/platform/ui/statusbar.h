// The status bar: a row of text panels along the bottom of a window, or one
// simple text across its width.
//
// Record forms show their state, the record position and the server in the
// panels ("浏览", "0/0" ...), and the form converter rewrites every panel's
// text when it converts a window's code page, so the panels are reachable as
// the published object property "Panels".
#ifndef PELLOR_UI_STATUSBAR_H_
#define PELLOR_UI_STATUSBAR_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/stdctrls.h"

namespace pellor {

class TStatusBar;
class TStatusPanels;

class TStatusPanel : public TPersistent {
  PELLOR_CLASS(TStatusPanel);

 public:
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  // Pixels; negative values count as 0.
  int Width() const { return width_; }
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // Position in the bar's panel list.
  int Index() const;

  // Copies text, width and alignment.
  void Assign(const TPersistent& source) override;

 private:
  friend class TStatusPanels;
  static void DefineProperties(PropertyBuilder<TStatusPanel>& p);
  explicit TStatusPanel(TStatusPanels* panels) : panels_(panels) {}
  void Changed();

  TStatusPanels* panels_;
  std::string text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
};

// The panels of one status bar, left to right. Every change of a panel or
// of the list is reported by the bar as "Panels".
class TStatusPanels : public TPersistent {
  PELLOR_CLASS(TStatusPanels);

 public:
  int Count() const { return static_cast<int>(panels_.size()); }
  // EComponentError when out of range.
  TStatusPanel* Items(int index) const;
  TStatusPanel* Add();
  TStatusPanel* Insert(int index);
  void Delete(int index);
  void Clear();
  // Changes between BeginUpdate and the last EndUpdate are reported once.
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

  // Copies the other list's panels (count, texts, widths, alignments).
  void Assign(const TPersistent& source) override;

 private:
  friend class TStatusBar;
  friend class TStatusPanel;
  explicit TStatusPanels(TStatusBar* bar) : bar_(bar) {}
  void Changed();
  TStatusPanel* Check(int index) const;

  TStatusBar* bar_;
  std::vector<std::unique_ptr<TStatusPanel>> panels_;
  int updating_ = 0;
  bool pending_ = false;
};

class TStatusBar : public TWinControl {
  PELLOR_CLASS(TStatusBar);

 public:
  // Aligned to the bottom of its parent, 19 pixels high.
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  TStatusPanels& Panels() { return *panels_; }
  const TStatusPanels& Panels() const { return *panels_; }

  // While set the bar shows SimpleText across its width instead of the
  // panels; the panels keep their texts.
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool simplePanel);
  const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& text);

 private:
  friend class TStatusPanels;
  static void DefineProperties(PropertyBuilder<TStatusBar>& p);
  TStatusPanels& PanelsRef() { return *panels_; }

  std::unique_ptr<TStatusPanels> panels_;
  bool simplePanel_ = false;
  std::string simpleText_;
};

}  // namespace pellor

#endif  // PELLOR_UI_STATUSBAR_H_

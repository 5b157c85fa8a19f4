#include "platform/ui/statusbar.h"

#include <algorithm>

namespace pellor {

// ---- TStatusPanel ---------------------------------------------------------------

PELLOR_DEFINE_CLASS(TStatusPanel, TPersistent);

void TStatusPanel::DefineProperties(PropertyBuilder<TStatusPanel>& p) {
  p.Text("Text", &TStatusPanel::Text, &TStatusPanel::SetText)
      .Integer("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth)
      .Enum("Alignment", kAlignmentInfo, &TStatusPanel::Alignment, &TStatusPanel::SetAlignment);
}

void TStatusPanel::Changed() { panels_->Changed(); }

void TStatusPanel::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
}

void TStatusPanel::SetWidth(int width) {
  width = std::max(width, 0);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TStatusPanel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Changed();
}

int TStatusPanel::Index() const {
  const auto& list = panels_->panels_;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

void TStatusPanel::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TStatusPanel*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  if (other->text_ == text_ && other->width_ == width_ && other->alignment_ == alignment_) return;
  text_ = other->text_;
  width_ = other->width_;
  alignment_ = other->alignment_;
  Changed();
}

// ---- TStatusPanels --------------------------------------------------------------

PELLOR_DEFINE_CLASS(TStatusPanels, TPersistent);

void TStatusPanels::Changed() {
  if (updating_ > 0) {
    pending_ = true;
    return;
  }
  bar_->Changed("Panels");
}

void TStatusPanels::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0 && pending_) {
    pending_ = false;
    Changed();
  }
}

TStatusPanel* TStatusPanels::Check(int index) const {
  if (index < 0 || index >= Count()) {
    throw EComponentError("Status panel index out of bounds (" + std::to_string(index) + ")");
  }
  return panels_[index].get();
}

TStatusPanel* TStatusPanels::Items(int index) const { return Check(index); }

TStatusPanel* TStatusPanels::Add() { return Insert(Count()); }

TStatusPanel* TStatusPanels::Insert(int index) {
  if (index < 0 || index > Count()) {
    throw EComponentError("Status panel index out of bounds (" + std::to_string(index) + ")");
  }
  auto* panel = panels_.insert(panels_.begin() + index, std::unique_ptr<TStatusPanel>(new TStatusPanel(this)))->get();
  Changed();
  return panel;
}

void TStatusPanels::Delete(int index) {
  Check(index);
  panels_.erase(panels_.begin() + index);
  Changed();
}

void TStatusPanels::Clear() {
  if (panels_.empty()) return;
  panels_.clear();
  Changed();
}

void TStatusPanels::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TStatusPanels*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  if (other == this) return;
  BeginUpdate();
  panels_.clear();
  for (const auto& panel : other->panels_) Add()->Assign(*panel);
  pending_ = true;
  EndUpdate();
}

// ---- TStatusBar -----------------------------------------------------------------

PELLOR_DEFINE_CLASS(TStatusBar, TWinControl);

void TStatusBar::DefineProperties(PropertyBuilder<TStatusBar>& p) {
  p.Object("Panels", &TStatusBar::PanelsRef)
      .Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel)
      .Text("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
}

TStatusBar::TStatusBar(TComponent* owner)
    : TWinControl(owner), panels_(new TStatusPanels(this)) {
  SetAlign(alBottom);
  SetHeight(19);
}

TStatusBar::~TStatusBar() { MarkDestroying(); }

void TStatusBar::SetSimplePanel(bool simplePanel) {
  if (simplePanel == simplePanel_) return;
  simplePanel_ = simplePanel;
  Changed("SimplePanel");
}

void TStatusBar::SetSimpleText(const std::string& text) {
  if (text == simpleText_) return;
  simpleText_ = text;
  Changed("SimpleText");
}

}  // namespace pellor

#include "platform/ui/imglist.h"

#include <algorithm>
#include <string>

#include "platform/ui/control.h"

namespace pellor {

PELLOR_DEFINE_CLASS(TImageList, TComponent);

void TImageList::DefineProperties(PropertyBuilder<TImageList>& p) {
  p.Integer("Width", &TImageList::Width, &TImageList::SetWidth)
      .Integer("Height", &TImageList::Height, &TImageList::SetHeight)
      .Integer("Count", &TImageList::Count);
}

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::~TImageList() = default;

void TImageList::SetWidth(int width) {
  if (width < 1) throw EPropertyError("Width of an image list must be at least 1 (" + std::to_string(width) + ")");
  if (width == width_) return;
  width_ = width;
  Changed("Width");
  Clear();
}

void TImageList::SetHeight(int height) {
  if (height < 1) throw EPropertyError("Height of an image list must be at least 1 (" + std::to_string(height) + ")");
  if (height == height_) return;
  height_ = height;
  Changed("Height");
  Clear();
}

void TImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw EComponentError("Image index out of bounds (" + std::to_string(index) + ")");
  }
}

std::vector<std::unique_ptr<TBitmap>> TImageList::Slice(const TBitmap& image) const {
  std::vector<std::unique_ptr<TBitmap>> slices;
  if (image.Empty()) return slices;
  const int count = (image.Width() + width_ - 1) / width_;
  for (int k = 0; k < count; ++k) {
    auto slice = std::make_unique<TBitmap>(width_, height_, clWhite);
    const int columns = std::min(width_, image.Width() - k * width_);
    const int rows = std::min(height_, image.Height());
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < columns; ++x) slice->SetPixel(x, y, image.Pixel(k * width_ + x, y));
    }
    slice->SetTransparent(image.Transparent());
    if (image.TransparentMode() == tmFixed) slice->SetTransparentColor(image.TransparentColor());
    slices.push_back(std::move(slice));
  }
  return slices;
}

int TImageList::Add(const TBitmap& image) {
  auto slices = Slice(image);
  if (slices.empty()) return -1;
  const int first = Count();
  for (auto& slice : slices) images_.push_back(std::move(slice));
  Changed("Images");
  return first;
}

int TImageList::AddMasked(const TBitmap& image, TColor maskColor) {
  auto slices = Slice(image);
  if (slices.empty()) return -1;
  const int first = Count();
  for (auto& slice : slices) {
    slice->SetTransparentColor(maskColor);
    slice->SetTransparent(true);
    images_.push_back(std::move(slice));
  }
  Changed("Images");
  return first;
}

int TImageList::AddImages(const TImageList& other) {
  if (other.width_ != width_ || other.height_ != height_) {
    throw EInvalidOperation("Image list '" + other.Name() + "' holds images of another size than '" + Name() + "'");
  }
  const int first = Count();
  const int count = other.Count();  // taken first: the list may be this one
  if (count == 0) return first;
  for (int i = 0; i < count; ++i) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(*other.images_[i]);
    images_.push_back(std::move(copy));
  }
  Changed("Images");
  return first;
}

void TImageList::Replace(int index, const TBitmap& image) {
  CheckIndex(index);
  auto slices = Slice(image);
  if (slices.empty()) return;
  images_[index] = std::move(slices.front());
  Changed("Images");
}

void TImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Changed("Images");
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed("Images");
}

const TBitmap& TImageList::Image(int index) const {
  CheckIndex(index);
  return *images_[index];
}

void TImageList::GetBitmap(int index, TBitmap& bitmap) const { bitmap.Assign(Image(index)); }

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const { canvas.Draw(x, y, Image(index)); }

}  // namespace pellor

// Image lists: numbered images of one size, which tool buttons, menus, tree
// views and grid titles refer to by index.
#ifndef PELLOR_UI_IMGLIST_H_
#define PELLOR_UI_IMGLIST_H_

#include <memory>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/ui/component.h"

namespace pellor {

// Every image is Width × Height. Adding a bitmap wider than Width adds one
// image per Width-wide slice of it (a last slice that is narrower is padded
// with white), as the original list did with its strips. Changes are reported
// as "Images" (and "Width" / "Height").
class TImageList : public TComponent {
  PELLOR_CLASS(TImageList);

 public:
  explicit TImageList(TComponent* owner);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size empties the list, as its images no longer fit. At least 1;
  // EPropertyError otherwise.
  void SetWidth(int width);
  void SetHeight(int height);
  int Count() const { return static_cast<int>(images_.size()); }

  // Each returns the index of the first image added (-1 for an empty bitmap,
  // which adds nothing). A bitmap lower than Height is padded, a higher one
  // cut at Height.
  int Add(const TBitmap& image);
  // The images drawn without the pixels of `maskColor`.
  int AddMasked(const TBitmap& image, TColor maskColor);
  // Copies all images of `other` to the end of this list; their size must
  // be this list's (EInvalidOperation otherwise). Returns the first new index.
  int AddImages(const TImageList& other);
  void Replace(int index, const TBitmap& image);
  void Delete(int index);
  void Clear();

  // Image `index` (EComponentError when out of range).
  const TBitmap& Image(int index) const;
  // Copies image `index` into `bitmap`.
  void GetBitmap(int index, TBitmap& bitmap) const;
  // Draws image `index` with its top-left corner at (x, y).
  void Draw(TCanvas& canvas, int x, int y, int index) const;

 private:
  static void DefineProperties(PropertyBuilder<TImageList>& p);
  void CheckIndex(int index) const;
  std::vector<std::unique_ptr<TBitmap>> Slice(const TBitmap& image) const;

  int width_ = 16;
  int height_ = 16;
  std::vector<std::unique_ptr<TBitmap>> images_;
};

}  // namespace pellor

#endif  // PELLOR_UI_IMGLIST_H_

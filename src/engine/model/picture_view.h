// TfrPictureView: the picture object, its graphic and the field kind it
// loads pictures as.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/view.h"
#include "platform/exception.h"

namespace lf {

// BlobType: the kind of graphic created when a picture loads from a field.
enum TfrBlobType : uint8_t { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };

// Graphic kinds in the order picture records store them.
enum class TfrGraphicKind : uint8_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, JPEG = 4 };

// A picture: its kind and the graphic in the platform's stream form of that
// kind (bitmap file, metafile, icon or JPEG file bytes).
struct TfrPicture {
  TfrGraphicKind Kind = TfrGraphicKind::None;
  std::string Data;
  bool Empty() const { return Kind == TfrGraphicKind::None || Data.empty(); }
  void Clear() { Kind = TfrGraphicKind::None; Data.clear(); }
  bool operator==(const TfrPicture&) const = default;
};

// A file or field that cannot be read as a picture.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// Largest picture file LOADFROMFILE reads, in bytes.
inline constexpr int64_t kMaxPictureFileBytes = 64 * 1024 * 1024;

// Loads a picture file: a missing file clears the picture; the kind follows
// the file's content (bitmap, JPEG, icon, metafile). Raises EInvalidGraphic
// "Unknown picture format" for any other content and "Picture file too
// large" above kMaxPictureFileBytes.
void LoadPictureFile(TfrPicture& picture, const std::string& path);

class TfrPictureView : public TfrView {
 public:
  TfrPictureView();
  ~TfrPictureView() override;
  const char* ClassName() const override { return "TfrPictureView"; }

  // Drawing and loading from fields are filled with picture drawing.
  void Draw(Canvas& canvas) override;

  void SetProperty(const std::string& name, const Variant& value) override;
  Variant GetProperty(const std::string& name) override;
  void CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                  const Variant& p3, Variant& result) override;
  void DeclareProperties() override;

  // The value the Picture property reads: a token naming this picture for
  // as long as the object lives. Assigning a token copies that picture.
  int64_t PictureToken() const { return token_; }
  // The live picture view with that token, or null.
  static TfrPictureView* FindByToken(int64_t token);

  TfrPicture Picture;
  uint8_t BlobType = btBMP;

 private:
  int64_t token_;
};

}  // namespace lf

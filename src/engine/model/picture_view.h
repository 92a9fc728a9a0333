// TfrPictureView: the picture object, its graphic and the field kind it
// loads pictures as.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/graphics/decoded_picture.h"
#include "engine/graphics/graphic_error.h"
#include "engine/model/view.h"

namespace lf {

// BlobType: the kind of graphic created when a picture loads from a field.
enum TfrBlobType : uint8_t { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };

// A picture: its kind and the graphic in the platform's stream form of that
// kind (bitmap file, metafile, icon or JPEG file bytes).
struct TfrPicture {
  TfrGraphicKind Kind = TfrGraphicKind::None;
  std::string Data;
  bool Empty() const { return Kind == TfrGraphicKind::None || Data.empty(); }
  void Clear() { Kind = TfrGraphicKind::None; Data.clear(); }
  bool operator==(const TfrPicture&) const = default;
};

// Largest picture file LOADFROMFILE reads, in bytes.
inline constexpr int64_t kMaxPictureFileBytes = 64 * 1024 * 1024;

// Loads a picture file: a missing file clears the picture; the kind follows
// the file's content (bitmap, JPEG, icon, metafile), which must decode.
// Raises EInvalidGraphic "Unknown picture format" for any other content,
// "Picture file too large" above kMaxPictureFileBytes and the decoder's
// error for content that does not decode.
void LoadPictureFile(TfrPicture& picture, const std::string& path);

class TfrPictureView : public TfrView {
 public:
  TfrPictureView();
  ~TfrPictureView() override;
  const char* ClassName() const override { return "TfrPictureView"; }

  // Background, the picture placed by Stretched, KeepAspect and Center,
  // then the frame. A picture that does not decode draws nothing.
  void Draw(Canvas& canvas) override;
  // A graphic of the kind BlobType names from the field's bytes; a null
  // field clears the picture. Raises EInvalidGraphic "<Name>: not a valid
  // JPEG image" (and so on) when the bytes do not decode.
  void LoadBlob(TField& field) override;
  // LOADFROMFILE: LoadPictureFile, its errors naming the object.
  void LoadFromFile(const std::string& path);
  // Decodes the picture now (once; kept until the picture changes or the
  // object goes, and shared with every object showing the same bytes).
  // Raises EInvalidGraphic "<Name>: <reason>"; an empty picture gives null.
  const DecodedPicture* Decoded();

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
  // The error's message after the object's name.
  std::string Named(const EInvalidGraphic& e) const;

  int64_t token_;
  std::shared_ptr<const DecodedPicture> decoded_;  // shared with objects showing the same bytes
  size_t decodedKey_ = 0;  // hash of the kind and bytes decoded_ was made from
};

}  // namespace lf

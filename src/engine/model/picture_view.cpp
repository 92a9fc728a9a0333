// TfrPictureView: defaults of a new picture, its properties by name, the
// tokens that let scripts pass a picture from one object to another,
// loading from files and fields, and drawing.
#include "engine/model/picture_view.h"

#include <filesystem>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "data/client_dataset.h"
#include "engine/data/large_object.h"
#include "engine/model/properties.h"
#include "engine/run/globals.h"
#include "platform/canvas.h"
#include "platform/code_page.h"
#include "platform/stream.h"

namespace lf {
namespace {

// Never destroyed, so that pictures outliving static destruction still find it.
std::unordered_map<int64_t, TfrPictureView*>& LivePictures() {
  static auto* live = new std::unordered_map<int64_t, TfrPictureView*>;
  return *live;
}
int64_t g_nextToken = 1;

}  // namespace

TfrPictureView::TfrPictureView() : token_(g_nextToken++) {
  TypeCode = 1;
  BaseName = "Picture";
  Flags = flStretched | flPictRatio;
  LivePictures()[token_] = this;
  // Scripts name the blob types by these constants.
  TfrVariables& constants = *Globals().Constants;
  constants.Assign("btBMP", Variant(static_cast<int>(btBMP)));
  constants.Assign("btJPG", Variant(static_cast<int>(btJPG)));
  constants.Assign("btICO", Variant(static_cast<int>(btICO)));
  constants.Assign("btWMF", Variant(static_cast<int>(btWMF)));
}

TfrPictureView::~TfrPictureView() { LivePictures().erase(token_); }

TfrPictureView* TfrPictureView::FindByToken(int64_t token) {
  auto it = LivePictures().find(token);
  return it == LivePictures().end() ? nullptr : it->second;
}

std::string TfrPictureView::Named(const EInvalidGraphic& e) const {
  return Name.empty() ? e.Message() : Name + ": " + e.Message();
}

const DecodedPicture* TfrPictureView::Decoded() {
  if (Picture.Empty()) {
    decoded_.reset();
    return nullptr;
  }
  const size_t key = std::hash<std::string>{}(Picture.Data) * 31 + static_cast<size_t>(Picture.Kind);
  if (decoded_ && key == decodedKey_) return decoded_.get();
  decoded_.reset();
  try {
    decoded_ = DecodedPicture::Shared(Picture.Kind, Picture.Data);
  } catch (const EInvalidGraphic& e) {
    throw EInvalidGraphic(Named(e));
  }
  decodedKey_ = key;
  return decoded_.get();
}

void TfrPictureView::Draw(Canvas& canvas) {
  DrawCanvas = &canvas;
  BeginDraw();
  DrawBackground();
  const DecodedPicture* picture = nullptr;
  try {
    picture = Decoded();
  } catch (const EInvalidGraphic&) {
    // Reported when the picture was loaded; here it just draws nothing.
  }
  if (picture != nullptr) {
    const CanvasRect drawRect{DrawRect.Left, DrawRect.Top, DrawRect.Right, DrawRect.Bottom};
    const PicturePlacement placement{HasFlag(flStretched), HasFlag(flPictRatio), HasFlag(flPictCenter)};
    const CanvasRect target = PictureTarget(drawRect, Width, Height, picture->Width(), picture->Height(),
                                            ScaleX, ScaleY, placement);
    picture->Draw(canvas, target);
  }
  DrawFrame();
  EndDraw();
}

void TfrPictureView::LoadBlob(TField& field) {
  if (field.IsNull()) {
    Picture.Clear();
    return;
  }
  static constexpr TfrGraphicKind kKindOfBlob[] = {TfrGraphicKind::Bitmap, TfrGraphicKind::JPEG,
                                                   TfrGraphicKind::Icon, TfrGraphicKind::Metafile};
  TMemoryStream bytes;
  CopyLargeObject(field, bytes);
  Picture.Kind = BlobType <= btWMF ? kKindOfBlob[BlobType] : TfrGraphicKind::Bitmap;
  Picture.Data = std::move(bytes.Bytes());
  Decoded();
}

void TfrPictureView::LoadFromFile(const std::string& path) {
  try {
    LoadPictureFile(Picture, path);
  } catch (const EInvalidGraphic& e) {
    throw EInvalidGraphic(Named(e));
  }
}

namespace {

bool StartsWith(const std::string& data, std::string_view magic) {
  return data.size() >= magic.size() && data.compare(0, magic.size(), magic) == 0;
}

TfrGraphicKind KindOfContent(const std::string& data) {
  using namespace std::string_view_literals;
  if (StartsWith(data, "BM"sv)) return TfrGraphicKind::Bitmap;
  if (StartsWith(data, "\xFF\xD8\xFF"sv)) return TfrGraphicKind::JPEG;
  if (StartsWith(data, "\x00\x00\x01\x00"sv)) return TfrGraphicKind::Icon;
  // Placeable metafile, plain metafile (in memory or on disk), enhanced metafile.
  if (StartsWith(data, "\xD7\xCD\xC6\x9A"sv) || StartsWith(data, "\x01\x00\x09\x00"sv) ||
      StartsWith(data, "\x02\x00\x09\x00"sv) || StartsWith(data, "\x01\x00\x00\x00"sv))
    return TfrGraphicKind::Metafile;
  return TfrGraphicKind::None;
}

}  // namespace

void LoadPictureFile(TfrPicture& picture, const std::string& path) {
  std::error_code ec;
  const std::filesystem::path file(HostToUtf8(path));
  if (path.empty() || !std::filesystem::is_regular_file(file, ec)) {
    picture.Clear();
    return;
  }
  const auto size = std::filesystem::file_size(file, ec);
  if (!ec && size > static_cast<uintmax_t>(kMaxPictureFileBytes))
    throw EInvalidGraphic("Picture file too large");
  TMemoryStream stream;
  stream.LoadFromFile(file.string());
  const TfrGraphicKind kind = KindOfContent(stream.Bytes());
  if (kind == TfrGraphicKind::None) throw EInvalidGraphic("Unknown picture format");
  DecodedPicture::Shared(kind, stream.Bytes());
  picture.Kind = kind;
  picture.Data = std::move(stream.Bytes());
}

namespace {

const char* kBlobTypes = "btBMP;btJPG;btICO;btWMF";

}  // namespace

void TfrPictureView::DeclareProperties() {
  TfrView::DeclareProperties();
  AddProperty("Stretched", pkBoolean);
  AddProperty("DataField", pkString);
  AddProperty("Center", pkBoolean);
  AddProperty("KeepAspect", pkBoolean);
  AddEnumProperty("BlobType", kBlobTypes);
  AddProperty("Picture", pkPicture | pkHasEditor);
}

Variant TfrPictureView::GetProperty(const std::string& name) {
  const std::string n = PropName(name);
  if (n == "DATAFIELD") return Variant(Memo.empty() ? std::string() : Memo.front());
  if (n == "BLOBTYPE") return Variant(static_cast<int64_t>(BlobType));
  if (n == "PICTURE") return Variant(PictureToken());
  return TfrView::GetProperty(n);
}

void TfrPictureView::SetProperty(const std::string& name, const Variant& value) {
  const std::string n = PropName(name);
  if (n == "DATAFIELD") {
    Memo = TfrLines{value.AsText()};
  } else if (n == "BLOBTYPE") {
    BlobType = static_cast<uint8_t>(EnumOf(*this, n, value));
  } else if (n == "PICTURE") {
    // A token that names no live picture leaves the picture as it is.
    if (value.IsNumber())
      if (TfrPictureView* source = FindByToken(value.AsInteger())) Picture = source->Picture;
  } else {
    TfrView::SetProperty(n, value);
  }
}

void TfrPictureView::CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& result) {
  const std::string n = PropName(name);
  if (n == "LOADFROMFILE") {
    LoadFromFile(EvaluateArgument(p1).AsText());
    return;
  }
  TfrView::CallMethod(n, p1, p2, p3, result);
}

}  // namespace lf

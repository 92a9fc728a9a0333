// Font substitution: the Windows family names templates carry, mapped to the
// metric-compatible families this system installs, with the font's
// character set choosing the family when the name is unknown.
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QString>

#include "platform/code_page.h"
#include "platform/font_files.h"
#include "platform/text_measurer.h"

namespace lf {

namespace {

constexpr const char* kSans = "Liberation Sans";
constexpr const char* kSerif = "Liberation Serif";
constexpr const char* kMono = "Liberation Mono";
constexpr const char* kSansSC = "Noto Sans CJK SC";
constexpr const char* kSerifSC = "Noto Serif CJK SC";
constexpr const char* kSansTC = "Noto Sans CJK TC";
constexpr const char* kSerifTC = "Noto Serif CJK TC";
constexpr const char* kSansJP = "Noto Sans CJK JP";
constexpr const char* kSerifJP = "Noto Serif CJK JP";
constexpr const char* kSansKR = "Noto Sans CJK KR";
constexpr const char* kSerifKR = "Noto Serif CJK KR";
constexpr const char* kWide = "DejaVu Sans";

struct Substitute {
  const char* name;  // UTF-8
  const char* family;
};

constexpr Substitute kSubstitutes[] = {
    {"Arial", kSans}, {"Arial Narrow", kSans}, {"Arial Black", kSans},
    {"Helvetica", kSans}, {"Tahoma", kSans}, {"Verdana", kSans},
    {"MS Sans Serif", kSans}, {"Microsoft Sans Serif", kSans}, {"System", kSans},
    {"Segoe UI", kSans}, {"Small Fonts", kSans}, {"Calibri", kSans},
    {"Times New Roman", kSerif}, {"Times", kSerif}, {"MS Serif", kSerif},
    {"Georgia", kSerif}, {"Cambria", kSerif}, {"Roman", kSerif},
    {"Courier New", kMono}, {"Courier", kMono}, {"Lucida Console", kMono},
    {"Consolas", kMono}, {"Fixedsys", kMono}, {"Terminal", kMono},
    // Simplified Chinese
    {"宋体", kSerifSC}, {"SimSun", kSerifSC}, {"新宋体", kSerifSC}, {"NSimSun", kSerifSC},
    {"仿宋", kSerifSC}, {"FangSong", kSerifSC}, {"仿宋_GB2312", kSerifSC},
    {"FangSong_GB2312", kSerifSC}, {"楷体", kSerifSC}, {"KaiTi", kSerifSC},
    {"楷体_GB2312", kSerifSC}, {"KaiTi_GB2312", kSerifSC},
    {"黑体", kSansSC}, {"SimHei", kSansSC}, {"微软雅黑", kSansSC},
    {"Microsoft YaHei", kSansSC}, {"等线", kSansSC}, {"DengXian", kSansSC},
    // Traditional Chinese
    {"MingLiU", kSerifTC}, {"PMingLiU", kSerifTC}, {"細明體", kSerifTC},
    {"新細明體", kSerifTC}, {"DFKai-SB", kSerifTC}, {"標楷體", kSerifTC},
    {"Microsoft JhengHei", kSansTC}, {"微軟正黑體", kSansTC},
    // Japanese
    {"MS Gothic", kSansJP}, {"ＭＳ ゴシック", kSansJP}, {"MS PGothic", kSansJP},
    {"ＭＳ Ｐゴシック", kSansJP}, {"MS UI Gothic", kSansJP}, {"Meiryo", kSansJP},
    {"メイリオ", kSansJP}, {"Yu Gothic", kSansJP}, {"游ゴシック", kSansJP},
    {"MS Mincho", kSerifJP}, {"ＭＳ 明朝", kSerifJP}, {"MS PMincho", kSerifJP},
    {"ＭＳ Ｐ明朝", kSerifJP}, {"Yu Mincho", kSerifJP}, {"游明朝", kSerifJP},
    // Korean
    {"Gulim", kSansKR}, {"굴림", kSansKR}, {"GulimChe", kSansKR}, {"Dotum", kSansKR},
    {"돋움", kSansKR}, {"Malgun Gothic", kSansKR}, {"맑은 고딕", kSansKR},
    {"Batang", kSerifKR}, {"바탕", kSerifKR}, {"BatangChe", kSerifKR},
    {"Gungsuh", kSerifKR}, {"궁서", kSerifKR},
};

// Windows character-set bytes that choose a family of their own.
constexpr uint8_t kShiftJisCharset = 128;
constexpr uint8_t kHangeulCharset = 129;
constexpr uint8_t kJohabCharset = 130;
constexpr uint8_t kGb2312Charset = 134;
constexpr uint8_t kBig5Charset = 136;
constexpr uint8_t kHebrewCharset = 177;
constexpr uint8_t kArabicCharset = 178;

const QHash<QString, QString>& SubstituteTable() {
  static const QHash<QString, QString> table = [] {
    QHash<QString, QString> t;
    for (const Substitute& s : kSubstitutes)
      t.insert(QString::fromUtf8(s.name).toCaseFolded(), QString::fromUtf8(s.family));
    return t;
  }();
  return table;
}

}  // namespace

const std::vector<std::string>& EngineFontFamilies() {
  static const std::vector<std::string> families = {kSans,   kSerif,   kMono,   kSansSC,  kSerifSC, kSansTC,
                                                    kSerifTC, kSansJP, kSerifJP, kSansKR, kSerifKR, kWide};
  return families;
}

std::string CharsetFamily(uint8_t charset) {
  switch (charset) {
    case kShiftJisCharset: return kSansJP;
    case kHangeulCharset:
    case kJohabCharset: return kSansKR;
    case kGb2312Charset: return kSansSC;
    case kBig5Charset: return kSansTC;
    case kHebrewCharset:
    case kArabicCharset: return kWide;
    default: return kSans;  // Western, Cyrillic, Greek, Turkish, Baltic, Central European
  }
}

std::string SubstituteFamily(std::string_view hostName, uint8_t charset) {
  QString name = QString::fromStdString(HostToUtf8(hostName)).trimmed();
  // "@Name" is the vertical-writing form of a CJK family.
  if (name.startsWith(u'@')) name.remove(0, 1);
  auto it = SubstituteTable().constFind(name.toCaseFolded());
  if (it != SubstituteTable().constEnd()) return it->toStdString();
  // A family that is installed as named (our own substitutes among them).
  if (!name.isEmpty() && QGuiApplication::instance() && QFontDatabase::hasFamily(name))
    return name.toStdString();
  return CharsetFamily(charset);
}

}  // namespace lf

// lumenfoldi-view: the windowed container. Shows the control in a window and
// runs its loading flow on "TEMPLATE,DATA" (http addresses or local files),
// or opens the preview window on a prepared-report file.
#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "control/fetch_address.h"
#include "control/form/lumenfoldi_form.h"
#include "engine/output/emf_pages.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/output_device.h"
#include "platform/password_prompt.h"
#include "platform/stream.h"
#include "preview/message_window.h"
#include "preview/password_form.h"
#include "preview/preview_form.h"
#include "preview/qt_text.h"
#include "preview/show_report.h"

namespace lf {
namespace {

constexpr const char* kUsage =
    "usage: lumenfoldi-view [--codepage CP] [--screenshot OUT.png] \"TEMPLATE,DATA\" | FILE.frp";

struct Options {
  std::string codePage;
  std::string screenshot;
  std::string source;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if ((a == "--codepage" || a == "--screenshot") && i + 1 < argc) {
      (a == "--codepage" ? o.codePage : o.screenshot) = argv[++i];
    } else if (a.rfind("--", 0) == 0 || !o.source.empty()) {
      return std::nullopt;
    } else {
      o.source = a;
    }
  }
  if (o.source.empty()) return std::nullopt;
  return o;
}

bool EndsWithFrp(const std::string& name) {
  return name.size() > 4 && SameTextAscii(name.substr(name.size() - 4), ".frp");
}

// The control's flow on the parameter; local files stand in for downloads.
void LoadControl(TlumenfoldiForm& form, const std::string& param) {
  const std::string host = Utf8ToHost(param);
  const size_t comma = host.find(',');
  const std::string templateAddress = comma == std::string::npos ? "" : host.substr(0, comma);
  const std::string dataAddress = comma == std::string::npos ? host : host.substr(comma + 1);
  if (IsHttpAddress(templateAddress) && IsHttpAddress(dataAddress)) {
    form.setParams(Utf8ToUtf16(param));
    return;
  }
  std::optional<std::string> data = FetchAddress(form.Control(), dataAddress);
  if (!data) {
    ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kDataLoadFailedText));
    return;
  }
  std::optional<std::string> templateBytes = FetchAddress(form.Control(), templateAddress);
  if (!templateBytes) {
    form.Control().LoadDataText(*data);
    ShowMessageBox(Utf8ToHost(kLoadErrorCaption), Utf8ToHost(kTemplateLoadFailedText));
    return;
  }
  form.LoadLocal(*templateBytes, *data);
}

// Saves a picture of the window; false, said on standard error, when it could not be written.
bool SaveScreenshot(QWidget& window, const std::string& path) {
  QApplication::processEvents();
  try {
    OutputFile file(path);
    WriteImage(window.grab().toImage(), "PNG", file, path);
    file.Commit();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumenfoldi-view: %s\n", e.what());
    return false;
  }
  return true;
}

int Run(const Options& o) {
  if (!o.codePage.empty()) SetHostCodePage(o.codePage);
  const bool screenshot = !o.screenshot.empty();
  // A screenshot run answers every box on standard error instead of waiting
  // for a person.
  WindowMessageService windowBoxes;
  WindowPasswordPrompt windowPrompt;
  std::optional<ScopedMessageService> boxes;
  std::optional<ScopedPasswordPrompt> prompt;
  if (!screenshot) {
    boxes.emplace(&windowBoxes);
    prompt.emplace(&windowPrompt);
  }
  int status = 0;
  std::unique_ptr<TlumenfoldiForm> form;
  std::unique_ptr<TfrReport> report;
  std::unique_ptr<TfrPreviewForm> window;
  QWidget* shown = nullptr;
  bool ready = false;

  if (EndsWithFrp(o.source) && o.source.find(',') == std::string::npos) {
    report = std::make_unique<TfrReport>();
    try {
      report->LoadPreparedReport(Utf8ToHost(o.source));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "lumenfoldi-view: %s\n", e.what());
      return 1;
    }
    if (report->PreparedPages->Count() == 0) {
      std::fprintf(stderr, "lumenfoldi-view: %s holds no pages\n", o.source.c_str());
      return 1;
    }
    report->ModalPreview = false;
    window = std::make_unique<TfrPreviewForm>();
    window->setWindowTitle(ToQString(PreviewCaption(*report)));
    if (screenshot) window->setWindowState(Qt::WindowNoState);
    window->ShowFor(*report);
    if (screenshot) window->resize(900, 700);
    shown = window.get();
    ready = true;
  } else {
    form = std::make_unique<TlumenfoldiForm>();
    form->show();
    shown = form.get();
    QTimer::singleShot(0, form.get(), [&] {
      try {
        LoadControl(*form, o.source);
      } catch (const std::exception& e) {
        ShowMessageBox("lumenfoldi", e.what(), mbOK | mbIconError);
        status = 1;
      }
      ready = true;
      if (screenshot) QApplication::quit();
    });
  }

  if (screenshot) {
    if (!ready) QApplication::exec();
    if (form && !form->ReportShown()) {
      std::fprintf(stderr, "lumenfoldi-view: no report was shown\n");
      status = 1;
    }
    if (!SaveScreenshot(*shown, o.screenshot)) return 1;
    return status;
  }
  QApplication::setQuitOnLastWindowClosed(true);
  int result = QApplication::exec();
  return status ? status : result;
}

}  // namespace
}  // namespace lf

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("lumenfoldi-view");
  std::optional<lf::Options> options = lf::ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr, "%s\n", lf::kUsage);
    return 2;
  }
  return lf::Run(*options);
}

// The component's form inside a Qt host: siting, the form's events reaching
// a sink, keys replaced or suppressed, and the last Release met inside an
// event or a download.
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "control/com/com_host.h"
#include "net/scripted_server.h"

namespace lf {
namespace {

using test::ComLibrary;
using test::EventSink;

// Texts of the key presses that reached a widget past the control.
class KeyRecorder : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) texts += static_cast<QKeyEvent*>(event)->text();
    return false;
  }
  QString texts;
};

class ComWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    control_ = library_.Create();
    host_.resize(600, 400);
    IlumenfoldiEmbedding* embedding = nullptr;
    ASSERT_EQ(control_->lpVtbl->QueryInterface(control_, &IID_IlumenfoldiEmbedding,
                                               reinterpret_cast<void**>(&embedding)),
              S_OK);
    ASSERT_EQ(embedding->lpVtbl->SetParentWidget(embedding, &host_), S_OK);
    void* widget = nullptr;
    embedding->lpVtbl->GetWidget(embedding, &widget);
    form_ = static_cast<QWidget*>(widget);
    embedding->lpVtbl->Release(embedding);
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    sink_.OnEvent = [this](DISPID id, int16_t* key) {
      events_.push_back(id);
      if (key && onKey_) onKey_(*key);
    };
  }
  void TearDown() override {
    if (control_) control_->lpVtbl->Release(control_);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(library_.canUnloadNow(), S_OK);
  }
  bool Saw(DISPID id) const { return std::find(events_.begin(), events_.end(), id) != events_.end(); }

  ComLibrary library_;
  QWidget host_;
  Ilumenfoldi* control_ = nullptr;
  QWidget* form_ = nullptr;
  EventSink sink_;
  std::vector<DISPID> events_;
  std::function<void(int16_t&)> onKey_;
};

TEST_F(ComWindow, SitingMakesTheFormAVisibleChildFillingTheHost) {
  ASSERT_NE(form_, nullptr);
  EXPECT_EQ(form_->parentWidget(), &host_);
  EXPECT_EQ(form_->geometry(), QRect(0, 0, 600, 400));
  VARIANT_BOOL visible = 0;
  control_->lpVtbl->get_Visible(control_, &visible);
  EXPECT_EQ(visible, VARIANT_TRUE);
  IlumenfoldiEmbedding* embedding = nullptr;
  control_->lpVtbl->QueryInterface(control_, &IID_IlumenfoldiEmbedding, reinterpret_cast<void**>(&embedding));
  EXPECT_EQ(embedding->lpVtbl->SetBounds(embedding, 10, 20, 300, 200), S_OK);
  EXPECT_EQ(form_->geometry(), QRect(10, 20, 300, 200));
  EXPECT_EQ(embedding->lpVtbl->SetBounds(embedding, 0, 0, -1, 5), E_INVALIDARG);
  // Parked again: hidden, out of the host.
  EXPECT_EQ(embedding->lpVtbl->SetParentWidget(embedding, nullptr), S_OK);
  EXPECT_NE(form_->parentWidget(), &host_);
  control_->lpVtbl->get_Visible(control_, &visible);
  EXPECT_EQ(visible, VARIANT_FALSE);
  embedding->lpVtbl->Release(embedding);
}

TEST_F(ComWindow, SitingInANativeWindowMakesTheFormItsChild) {
  if (QGuiApplication::platformName() == "offscreen") GTEST_SKIP() << "the offscreen platform has no foreign windows";
  QWidget other;
  other.resize(320, 200);
  other.show();
  IlumenfoldiEmbedding* embedding = nullptr;
  control_->lpVtbl->QueryInterface(control_, &IID_IlumenfoldiEmbedding, reinterpret_cast<void**>(&embedding));
  EXPECT_EQ(embedding->lpVtbl->SetParentWindow(embedding, static_cast<uint64_t>(other.winId())), S_OK);
  EXPECT_EQ(embedding->lpVtbl->SetBounds(embedding, 0, 0, 320, 200), S_OK);
  const QWindow* parent = form_->windowHandle() ? form_->windowHandle()->parent() : nullptr;
  EXPECT_TRUE(parent && parent->winId() == other.winId());
  EXPECT_EQ(form_->size(), QSize(320, 200));
  EXPECT_TRUE(form_->isVisible());
  // Back into a widget.
  EXPECT_EQ(embedding->lpVtbl->SetParentWidget(embedding, &host_), S_OK);
  EXPECT_EQ(form_->window(), &host_);
  embedding->lpVtbl->Release(embedding);
}

TEST_F(ComWindow, FormNotificationsReachTheSink) {
  sink_.Connect(control_);
  ASSERT_EQ(events_, std::vector<DISPID>{DISPID_LF_ONCREATE});
  QTest::mouseClick(form_, Qt::LeftButton, {}, QPoint(300, 20));
  EXPECT_TRUE(Saw(DISPID_LF_ONCLICK));
  QTest::mouseDClick(form_, Qt::LeftButton, {}, QPoint(300, 20));
  EXPECT_TRUE(Saw(DISPID_LF_ONDBLCLICK));
  form_->repaint();
  EXPECT_TRUE(Saw(DISPID_LF_ONPAINT));
  QEvent activate(QEvent::WindowActivate), deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(form_, &activate);
  QCoreApplication::sendEvent(form_, &deactivate);
  EXPECT_TRUE(Saw(DISPID_LF_ONACTIVATE));
  EXPECT_TRUE(Saw(DISPID_LF_ONDEACTIVATE));
}

TEST_F(ComWindow, SinkReplacesOrSuppressesKeys) {
  sink_.Connect(control_);
  KeyRecorder recorder;
  form_->installEventFilter(&recorder);
  std::vector<int16_t> keys;
  onKey_ = [&](int16_t& key) {
    keys.push_back(key);
    if (key == 'x') key = 0;
    if (key == 'a') key = 'b';
  };
  QTest::keyClick(form_, 'x');
  QTest::keyClick(form_, 'a');
  QTest::keyClick(form_, 'c');
  EXPECT_EQ(keys, (std::vector<int16_t>{'x', 'a', 'c'}));
  EXPECT_EQ(recorder.texts, "bc");
  form_->removeEventFilter(&recorder);
}

TEST_F(ComWindow, KeysOfChildrenReachTheSinkOnlyWithKeyPreview) {
  sink_.Connect(control_);
  QWidget* child = form_->findChild<QWidget*>("frPreview1");
  ASSERT_NE(child, nullptr);
  int presses = 0;
  onKey_ = [&](int16_t&) { ++presses; };
  QTest::keyClick(child, 'q');
  EXPECT_EQ(presses, 0);
  control_->lpVtbl->put_KeyPreview(control_, VARIANT_TRUE);
  QTest::keyClick(child, 'q');
  EXPECT_EQ(presses, 1);
}

TEST_F(ComWindow, LastReleaseInsideAClickDestroysTheControlAfterTheEvent) {
  sink_.Connect(control_);
  QPointer<QWidget> form(form_);
  Ilumenfoldi* control = std::exchange(control_, nullptr);
  sink_.OnEvent = [&](DISPID id, int16_t*) {
    events_.push_back(id);
    if (id == DISPID_LF_ONCLICK && control) {
      Ilumenfoldi* last = std::exchange(control, nullptr);
      last->lpVtbl->Release(last);
    }
  };
  QTest::mouseClick(form_, Qt::LeftButton, {}, QPoint(300, 20));
  EXPECT_TRUE(Saw(DISPID_LF_ONDESTROY));
  EXPECT_EQ(sink_.refs, 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST_F(ComWindow, LastReleaseDuringADownloadEndsTheControlWhenTheCallReturns) {
  // The data comes late; meanwhile the host lets go of the control.
  test::ScriptedServer server({[](test::ServerConnection& c) {
                                 c.ReadRequest();
                                 std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                 c.Send("HTTP/1.0 200 OK\r\n\r\n[{\"a\":\"1\"}]");
                               },
                               test::ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n")});
  sink_.Connect(control_);
  QPointer<QWidget> form(form_);
  bool destroyedDuringCall = false;
  sink_.OnEvent = [&](DISPID id, int16_t*) {
    if (id == DISPID_LF_ONDESTROY) destroyedDuringCall = true;
  };
  const std::string param = server.Base() + "/t.frf," + server.Base() + "/d.json";
  std::u16string text(param.begin(), param.end());
  BSTR bstr = library_.allocString(text.c_str());
  // The last reference goes in a timer while setParams waits for the data;
  // the call still returns normally, and then the control is gone.
  Ilumenfoldi* control = std::exchange(control_, nullptr);
  QTimer::singleShot(50, [control] { control->lpVtbl->Release(control); });
  EXPECT_EQ(control->lpVtbl->setParams(control, bstr), S_OK);
  library_.freeString(bstr);
  EXPECT_TRUE(destroyedDuringCall);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

}  // namespace
}  // namespace lf

// Text measuring speed: strings measured per second through the measurer's
// advance cache, against a shaping call per string, and text drawn per
// second through the painter canvas on an image.
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/painter_canvas.h"
#include "platform/text_measurer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 200000;

  std::vector<std::string> texts;
  for (int i = 0; i < 100; ++i)
    texts.push_back("Invoice line " + std::to_string(i * 7919) + " 中文 total amount due");
  lf::CanvasFont font;
  font.Name = "Arial";
  font.PixelHeight = 13;
  font.Charset = 134;

  lf::TextMeasurer measurer;
  long long sum = 0;
  auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) sum += measurer.Width(font, texts[i % texts.size()]);
  double cached = Seconds(start);

  QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
  QFontMetricsF metrics(lf::MakeQFont(font), &device);
  std::vector<QString> qtexts;
  for (const std::string& t : texts) qtexts.push_back(QString::fromStdString(t));
  start = Clock::now();
  double qsum = 0;
  for (int i = 0; i < rounds; ++i) qsum += metrics.horizontalAdvance(qtexts[i % qtexts.size()]);
  double shaped = Seconds(start);

  QImage page(800, 1100, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  lf::PainterCanvas canvas(painter);
  canvas.SetFont(font);
  const int drawRounds = rounds / 10;
  start = Clock::now();
  for (int i = 0; i < drawRounds; ++i)
    canvas.TextOut(10, (i * 17) % 1050, texts[i % texts.size()], {});
  double drawn = Seconds(start);
  painter.end();

  std::printf("measure (advance cache): %.0f strings/s (checksum %lld)\n", rounds / cached, sum);
  std::printf("measure (shaping per string): %.0f strings/s (checksum %.0f)\n", rounds / shaped, qsum);
  std::printf("draw (painter canvas on an image): %.0f strings/s\n", drawRounds / drawn);
  return 0;
}

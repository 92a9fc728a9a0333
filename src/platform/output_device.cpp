// Qt devices and image encoding over output files.
#include "platform/output_device.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace lf {

OutputDevice::OutputDevice(OutputFile& file) : file_(file) { open(QIODevice::WriteOnly); }

void OutputDevice::Check() const {
  if (!failure_.empty()) throw EStreamError(failure_);
}

qint64 OutputDevice::readData(char*, qint64) { return -1; }

qint64 OutputDevice::writeData(const char* data, qint64 size) {
  if (!failure_.empty()) return -1;
  try {
    file_.Write(data, static_cast<size_t>(size));
  } catch (const std::exception& e) {
    failure_ = e.what();
    return -1;
  }
  return size;
}

void WriteImage(const QImage& image, const char* format, OutputFile& file, const std::string& path) {
  // Encoded in memory: the encoder's own complaints about a failed write
  // would only repeat the file's message.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(image)) throw EStreamError("cannot write '" + path + "': " + writer.errorString().toStdString());
  file.Write(bytes.constData(), static_cast<size_t>(bytes.size()));
  file.Finish();
}

}  // namespace lf

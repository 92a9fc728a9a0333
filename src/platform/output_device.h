// A Qt device over an output file, so Qt's writers (PDF, images) write
// through the checked, atomic output path.
#pragma once

#include <QIODevice>

#include <string>

#include "platform/output_file.h"

class QImage;

namespace lf {

// Opened for writing on construction. Qt's writers see a failed write as
// -1; the file's own message is kept and raised by Check().
class OutputDevice : public QIODevice {
 public:
  explicit OutputDevice(OutputFile& file);
  bool isSequential() const override { return true; }
  // Raises EStreamError with the first failed write's message, if any.
  void Check() const;

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char* data, qint64 size) override;

 private:
  OutputFile& file_;  // outlives the device
  std::string failure_;
};

// Encodes image in format ("PNG", ...) into file and finishes it (the caller
// commits); raises EStreamError "cannot write 'PATH': <reason>" on failure.
void WriteImage(const QImage& image, const char* format, OutputFile& file, const std::string& path);

}  // namespace lf

// Starting print jobs on the print system's destinations.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "printer/printer_platform.h"

struct cups_dest_s;

namespace lf {

// What a job asks of the print system.
struct TPrintJobSettings {
  std::string Title;     // host code page
  int Copies = 1;
  std::string Media;     // the print system's name of the paper; empty: the printer's default
  bool Landscape = false;
};

// The print system's name of a paper (a paper code, or code 256 with its
// size in tenths of a millimetre); empty when there is none.
std::string MediaName(int32_t paperCode, int32_t widthDmm, int32_t heightDmm);

// Creates a job on dest and opens its document; printing is true until the
// document is finished, aborted or destroyed. Raises EPrinterError with the
// print system's message.
std::unique_ptr<TPrintDocument> StartCupsDocument(const cups_dest_s& dest,
                                                  const TPrintJobSettings& settings,
                                                  bool& printing);

}  // namespace lf

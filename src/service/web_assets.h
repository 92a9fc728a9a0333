// The web viewer's files, built into the program so that the service needs
// nothing beside it.
#pragma once

#include <string_view>

namespace lf {

// The bytes of a file of src/service/web (empty when there is none).
std::string_view WebAsset(std::string_view name);
// A hash of all the files, which changes whenever one does.
std::string_view WebAssetVersion();

}  // namespace lf

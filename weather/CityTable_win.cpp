#include <windows.h>

#include <cstddef>
#include <stdexcept>

#include "weather/CityTable.h"

namespace weather {

std::string_view EmbeddedCityTable() {
  // Loaded resources stay mapped with the module; nothing to release.
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC info = FindResourceW(module, L"CityCode", L"TxtData");
  if (info == nullptr) throw std::runtime_error("Resource CityCode not found");
  const HGLOBAL handle = LoadResource(module, info);
  const void* bytes = handle != nullptr ? LockResource(handle) : nullptr;
  if (bytes == nullptr) throw std::runtime_error("Resource CityCode not found");
  return {static_cast<const char*>(bytes), static_cast<std::size_t>(SizeofResource(module, info))};
}

}  // namespace weather

// Fuzz target: loading the delimited ("AMP") login data set.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/ReferenceData.h"
#include "platform/Log.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  td::log::setLevel(td::log::Level::Off);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  td::ReferenceData reference;
  std::size_t work = 0;
  reference.setHooks({[&] { work += reference.ItemCollection().size(); },
                      [&] { work += reference.AccountDetailCollection().size(); }});
  reference.FillAmpDetails(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const auto& [code, item] : reference.ItemCollection()) {
    if (auto conversion = item->CalculationItems.lock()) work += conversion->Code.size();
    work += reference.getItemCode(item->CurrencyID).size();
    for (const auto& [key, account] : reference.AccountDetailCollection()) {
      if (reference.groupInstruments(*account, item->InstrumentId)) ++work;
    }
  }
  return work == static_cast<std::size_t>(-1) ? 1 : 0;
}

#pragma once
// Order-entry permissions of one trading session.

#include <cstdint>
#include <optional>
#include <string>

namespace td {

// A calibrated RGB colour with alpha, components 0 to 1.
struct RgbColor {
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 1;
  // From a packed 0xRRGGBB integer, alpha 1.
  static RgbColor fromPacked(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return {static_cast<float>((v >> 16) & 0xFF) / 255.0f, static_cast<float>((v >> 8) & 0xFF) / 255.0f,
            static_cast<float>(v & 0xFF) / 255.0f, 1.0f};
  }
  bool operator==(const RgbColor&) const = default;
};

struct SessionSetting {
  std::optional<RgbColor> SessionColor;
  std::int32_t SettingsId = 0;
  std::string SettingsName;
  bool EditLimitOrder = false;
  bool EditMarketMakertOrder = false;
  bool EditMarketOrder = false;
  bool EnterLimitOrder = false;
  bool EnterMarketMakerOrder = false;
  bool EnterMarketOrder = false;
  bool ExecuteOrders = false;
  bool MatchMMwithMMOrders = false;
  bool PublishMarketData = false;
  bool PublishTradeData = false;
  bool UseELP = false;
  // Derived when the flags above are loaded.
  bool AllowNewMarket = false;      // EnterMarketOrder
  bool AllowNewContigent = false;   // EnterLimitOrder
  bool AllowEditContigent = false;  // EditLimitOrder
  bool AllowNewTpSl = false;        // whichever of the three was loaded last

  void setEditLimitOrder(bool v) { EditLimitOrder = AllowEditContigent = AllowNewTpSl = v; }
  void setEnterLimitOrder(bool v) { EnterLimitOrder = AllowNewContigent = AllowNewTpSl = v; }
  void setEnterMarketOrder(bool v) { EnterMarketOrder = AllowNewMarket = AllowNewTpSl = v; }
};

}  // namespace td

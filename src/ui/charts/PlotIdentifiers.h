#pragma once
// The identifiers of the charts' plots and plot spaces, shared by the chart engine, its data source
// and the indicators.

namespace td::charts {

inline constexpr const char* PRICE_PLOT_SPACE = "Graph";
inline constexpr const char* INDICATOR_PLOT_SPACE = "IndicatorGraph";

inline constexpr const char* MAIN_PLOT = "Scatter Plot";
inline constexpr const char* OHLC_PLOT = "OHLC Plot";
inline constexpr const char* CANDLE_STICK_PLOT = "Candlestick Plot";

inline constexpr const char* SMA_PLOT = "SMA";
inline constexpr const char* EMA_PLOT = "EMA";
inline constexpr const char* BB_MID_PLOT = "bbMidBandPlot";
inline constexpr const char* BB_UPPER_PLOT = "bbUpperBandPlot";
inline constexpr const char* BB_LOWER_PLOT = "bbLowerBandPlot";
inline constexpr const char* JAWS_LINE_PLOT = "JawsLinePlot";
inline constexpr const char* TEETH_LINE_PLOT = "TeethLinePlot";
inline constexpr const char* LIPS_LINE_PLOT = "LipsLinePlot";
inline constexpr const char* MACD_BAR_PLOT = "MACDBarPlot";
inline constexpr const char* MACD_LINE_PLOT = "MACDLinePlot";
inline constexpr const char* MACD_SIGNAL_PLOT = "MACDSignalLinePlot";
inline constexpr const char* ROC_PLOT = "ROCPlot";
inline constexpr const char* STDDEV_PLOT = "StdDevPlot";
inline constexpr const char* CCI_LINE_PLOT = "CCILinePlot";
inline constexpr const char* RSI_LINE_PLOT = "RSILinePlot";
inline constexpr const char* STOCH_MAIN_LINE_PLOT = "StochMainLinePlot";
inline constexpr const char* STOCH_SIGNAL_LINE_PLOT = "StochSignalLinePlot";
inline constexpr const char* DEMARKER_LINE_PLOT = "DeMarkerLinePlot";
inline constexpr const char* MOMENTUM_LINE_PLOT = "MomentumLinePlot";
inline constexpr const char* WILLIAM_PERCENT_LINE_PLOT = "WilliamPercentLinePlot";
inline constexpr const char* BEARS_BAR_PLOT = "BearsBarPlot";
inline constexpr const char* BULLS_BAR_PLOT = "BullsBarPlot";
inline constexpr const char* RVI_MAIN_LINE_PLOT = "RVIMainLinePlot";
inline constexpr const char* RVI_SIGNAL_LINE_PLOT = "RVISignalLinePlot";
inline constexpr const char* TRIX_LINE_PLOT = "TRIXLinePlot";
inline constexpr const char* ATR_LINE_PLOT = "ATRLinePlot";
inline constexpr const char* AO_BAR_PLOT = "AOBarPlot";
inline constexpr const char* AC_BAR_PLOT = "ACBarPlot";

}  // namespace td::charts

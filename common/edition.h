// The edition is chosen when the program is built: the current edition
// (kalvo) or the earlier one (kalvo4).
#pragma once

#ifndef KALVO_EARLIER_EDITION
#define KALVO_EARLIER_EDITION 0
#endif

inline constexpr bool kEarlierEdition = KALVO_EARLIER_EDITION != 0;
inline constexpr bool kCurrentEdition = !kEarlierEdition;

inline constexpr int kRealSlots = kEarlierEdition ? 60 : 64;     // real parameter slots
inline constexpr int kFigureElements = kEarlierEdition ? 6 : 7;  // wire figure elements
inline constexpr int kTableSize = 2000;                          // stored states

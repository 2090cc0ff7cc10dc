// The parameter tables: every number the user sets, each with its
// 8-character name, by slot.
#pragma once

#include <cstdint>

#include "common/array.h"
#include "common/edition.h"
#include "common/text.h"

using Name = Text<8>;

// Slots of the real parameters. The same name means the same quantity in
// both editions; slots that only the current edition has are marked.
namespace rp {
inline constexpr int EPS = 1;
inline constexpr int H1 = 2;
inline constexpr int HMIN = 3;
inline constexpr int TPRINT = 4;
inline constexpr int DXSAV = 5;
inline constexpr int Xtr = 6;
inline constexpr int Ytr = 7;
inline constexpr int Ztr = 8;
inline constexpr int DELXP = 9;
inline constexpr int DELH1 = 10;
inline constexpr int DELH2 = 11;
inline constexpr int DELH3 = 12;
inline constexpr int DELH4 = 13;
inline constexpr int DELTA1 = 14;
inline constexpr int DELTA2 = 15;
inline constexpr int VISTA_X = 18;
inline constexpr int VISTA_Y = 19;
inline constexpr int VISTA_Z = 20;
inline constexpr int Y1MAX = 21;
inline constexpr int Y2MAX = 22;
inline constexpr int Y3MAX = 23;
inline constexpr int A = 24;
inline constexpr int B = 25;
inline constexpr int C = 26;
inline constexpr int D = 27;
inline constexpr int E = 28;
inline constexpr int F = 29;
inline constexpr int TZERO = 31;
inline constexpr int TFIN = 32;
inline constexpr int XGo = 33;
inline constexpr int YGo = 34;
inline constexpr int ZGo = 35;
inline constexpr int PSIo = 36;
inline constexpr int THETAo = 37;
inline constexpr int PHIo = 38;
inline constexpr int XPGo = 39;
inline constexpr int YPGo = 40;
inline constexpr int ZPGo = 41;
inline constexpr int OMCSIo = 42;
inline constexpr int OMETAo = 43;
inline constexpr int OMZETAo = 44;
// Current edition only: the derived Euler-angle rates and the circle radius.
inline constexpr int PSIPo = 46;
inline constexpr int THETAPo = 47;
inline constexpr int PHIPo = 48;
inline constexpr int circle_radius = 59;
// The force block: slots 49 to 58 in the current edition, 45 to 54 in the earlier one.
inline constexpr int force_base = kEarlierEdition ? 45 : 49;
inline constexpr int FX = force_base;
inline constexpr int MX = force_base + 1;
inline constexpr int FY = force_base + 2;
inline constexpr int MY = force_base + 3;
inline constexpr int FZ = force_base + 4;
inline constexpr int MZ = force_base + 5;
inline constexpr int DELPIAN = force_base + 6;
inline constexpr int ZETA_G = force_base + 7;  // "\zeta G"
inline constexpr int FULLX = force_base + 8;
inline constexpr int FULLY = force_base + 9;
}  // namespace rp

// Slots of the integer parameters.
namespace ip {
inline constexpr int nciclo = 1;
inline constexpr int NPROL = 2;
inline constexpr int NFL = 3;
inline constexpr int NBA = 4;
inline constexpr int durata = 5;
inline constexpr int nrip = 6;
inline constexpr int ncicmx = 8;
inline constexpr int ndpunt = 9;
inline constexpr int NTIME = 10;
inline constexpr int nok = 11;
inline constexpr int nbad = 12;
inline constexpr int NVOLT1 = 13;
inline constexpr int NVOLT2 = 14;
inline constexpr int SCREEN = 15;
}  // namespace ip

inline Vec<double, kRealSlots> real_params;       // real parameters by slot
inline Vec<Name, kRealSlots> real_param_names;    // their names, blanks included
inline double periodo;                            // span after which the continuation state is recorded
inline Vec<int16_t, 15> int_params;               // integer parameters by slot
inline Vec<Name, 15> int_param_names;             // their names
inline Mat<double, 6, 4> view_range;              // (j, i): view row j; x min, x max, y min, y max
inline Mat<Name, 6, 4> view_range_names;          // X1M .. Y3, never changed

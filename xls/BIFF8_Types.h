#pragma once
// Record identifiers and the fixed layouts of the BIFF8 workbook stream that
// the writer produces.  Only what this writer needs is listed here.
#include <array>
#include <cstddef>
#include <cstdint>

namespace biff8 {

// Record identifiers.
inline constexpr std::uint16_t BOF = 0x0809;
inline constexpr std::uint16_t EOF_ = 0x000A;  // "EOF" is a macro of <cstdio>
inline constexpr std::uint16_t CONTINUE = 0x003C;
inline constexpr std::uint16_t INTERFACEHDR = 0x00E1;
inline constexpr std::uint16_t MMS = 0x00C1;
inline constexpr std::uint16_t INTERFACEEND = 0x00E2;
inline constexpr std::uint16_t WRITEACCESS = 0x005C;
inline constexpr std::uint16_t CODEPAGE = 0x0042;
inline constexpr std::uint16_t DSF = 0x0161;
inline constexpr std::uint16_t EXCEL9FILE = 0x01C0;
inline constexpr std::uint16_t TABID = 0x013D;
inline constexpr std::uint16_t FNGROUPCOUNT = 0x009C;
inline constexpr std::uint16_t WINDOWPROTECT = 0x0019;
inline constexpr std::uint16_t PROTECT = 0x0012;
inline constexpr std::uint16_t PASSWORD = 0x0013;
inline constexpr std::uint16_t PROT4REV = 0x01AF;
inline constexpr std::uint16_t PROT4REVPASS = 0x01BC;
inline constexpr std::uint16_t WINDOW1 = 0x003D;
inline constexpr std::uint16_t BACKUP = 0x0040;
inline constexpr std::uint16_t HIDEOBJ = 0x008D;
inline constexpr std::uint16_t DATEMODE = 0x0022;
inline constexpr std::uint16_t PRECISION = 0x000E;
inline constexpr std::uint16_t REFRESHALL = 0x01B7;
inline constexpr std::uint16_t BOOKBOOL = 0x00DA;
inline constexpr std::uint16_t FONT = 0x0031;
inline constexpr std::uint16_t FORMAT = 0x041E;
inline constexpr std::uint16_t XF = 0x00E0;
inline constexpr std::uint16_t PALETTE = 0x0092;
inline constexpr std::uint16_t STYLE = 0x0293;
inline constexpr std::uint16_t USESELFS = 0x0160;
inline constexpr std::uint16_t BOUNDSHEET = 0x0085;
inline constexpr std::uint16_t COUNTRY = 0x008C;
inline constexpr std::uint16_t SST = 0x00FC;
inline constexpr std::uint16_t EXTSST = 0x00FF;

inline constexpr std::uint16_t INDEX = 0x020B;
inline constexpr std::uint16_t CALCMODE = 0x000D;
inline constexpr std::uint16_t CALCCOUNT = 0x000C;
inline constexpr std::uint16_t REFMODE = 0x000F;
inline constexpr std::uint16_t ITERATION = 0x0011;
inline constexpr std::uint16_t DELTA = 0x0010;
inline constexpr std::uint16_t SAVERECALC = 0x005F;
inline constexpr std::uint16_t PRINTHEADERS = 0x002A;
inline constexpr std::uint16_t PRINTGRIDLINES = 0x002B;
inline constexpr std::uint16_t GRIDSET = 0x0082;
inline constexpr std::uint16_t GUTS = 0x0080;
inline constexpr std::uint16_t DEFAULTROWHEIGHT = 0x0225;
inline constexpr std::uint16_t WSBOOL = 0x0081;
inline constexpr std::uint16_t HEADER = 0x0014;
inline constexpr std::uint16_t FOOTER = 0x0015;
inline constexpr std::uint16_t HCENTER = 0x0083;
inline constexpr std::uint16_t VCENTER = 0x0084;
inline constexpr std::uint16_t LEFTMARGIN = 0x0026;
inline constexpr std::uint16_t RIGHTMARGIN = 0x0027;
inline constexpr std::uint16_t TOPMARGIN = 0x0028;
inline constexpr std::uint16_t BOTTOMMARGIN = 0x0029;
inline constexpr std::uint16_t SETUP = 0x00A1;
inline constexpr std::uint16_t DEFCOLWIDTH = 0x0055;
inline constexpr std::uint16_t COLINFO = 0x007D;
inline constexpr std::uint16_t DIMENSIONS = 0x0200;
inline constexpr std::uint16_t ROW = 0x0208;
inline constexpr std::uint16_t NUMBER = 0x0203;
inline constexpr std::uint16_t LABELSST = 0x00FD;
inline constexpr std::uint16_t MULBLANK = 0x00BE;
inline constexpr std::uint16_t BLANK = 0x0201;
inline constexpr std::uint16_t DBCELL = 0x00D7;
inline constexpr std::uint16_t WINDOW2 = 0x023E;
inline constexpr std::uint16_t SELECTION = 0x001D;
inline constexpr std::uint16_t MERGEDCELLS = 0x00E5;

// Framing limits.
inline constexpr std::size_t RecordHeaderSize = 4;
inline constexpr std::size_t MaxRecordData = 8224;
inline constexpr std::size_t MaxRecordSize = MaxRecordData + RecordHeaderSize;  // 8228
inline constexpr std::size_t MaxMergedAreasPerRecord = 1027;  // (8224 - 2) / 8

// Fixed values of the globals and of every worksheet.
inline constexpr std::uint16_t BiffVersion = 0x0600;
inline constexpr std::uint16_t BofWorkbookGlobals = 0x0005;
inline constexpr std::uint16_t BofWorksheet = 0x0010;
inline constexpr std::uint16_t BuildId = 3515;
inline constexpr std::uint16_t BuildYear = 1996;
inline constexpr std::uint16_t CodePage = 1252;
inline constexpr std::size_t WriteAccessSize = 112;
inline constexpr std::uint16_t RowHeightTwips = 255;
inline constexpr std::size_t RowsPerBlock = 32;
inline constexpr std::uint16_t Window2Flags = 0x04B6;
inline constexpr std::uint16_t Window2Selected = 0x0200;
inline constexpr std::uint16_t GridLineColourIndex = 64;
inline constexpr std::uint16_t StringsPerBucket = 8;

// XF layout bits.
inline constexpr std::uint16_t XfCellLocked = 0x0001;
inline constexpr std::uint16_t XfUsedAttributes = 0x7C00;
inline constexpr std::uint16_t XfMerge = 0x0020;
inline constexpr std::size_t XfDataSize = 20;
inline constexpr std::size_t FirstCellXf = 15;

// Font weights this writer uses for bold and normal text.
inline constexpr std::uint16_t FontWeightBold = 1000;
inline constexpr std::uint16_t FontWeightNormal = 100;

// Stored images, 4-byte record header included.
using XfImage = std::array<std::uint8_t, 24>;
inline constexpr XfImage StyleXf0 = {0xE0, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};
inline constexpr XfImage StyleXf1 = {0xE0, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00,
                                     0x00, 0xF4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};
inline constexpr XfImage StyleXf2 = {0xE0, 0x00, 0x14, 0x00, 0x02, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00,
                                     0x00, 0xF4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};
inline constexpr XfImage StyleXfOther = {0xE0, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xF5, 0xFF, 0x20, 0x00, 0x00, 0xF4, 0x00, 0x00,
                                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};
// The fifteen style XFs in their order: 0, 1, 1, 2, 2, then ten of the last kind.
inline constexpr std::array<const XfImage *, 15> StyleXfs = {
    &StyleXf0,       &StyleXf1,       &StyleXf1,       &StyleXf2,       &StyleXf2,
    &StyleXfOther, &StyleXfOther, &StyleXfOther, &StyleXfOther, &StyleXfOther,
    &StyleXfOther, &StyleXfOther, &StyleXfOther, &StyleXfOther, &StyleXfOther};

inline constexpr std::array<std::uint8_t, XfDataSize> DefaultCellXf = {
    0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};

using StyleImage = std::array<std::uint8_t, 8>;
inline constexpr std::array<StyleImage, 6> Styles = {{
    {0x93, 0x02, 0x04, 0x00, 0x10, 0x80, 0x04, 0xFF},
    {0x93, 0x02, 0x04, 0x00, 0x11, 0x80, 0x07, 0xFF},
    {0x93, 0x02, 0x04, 0x00, 0x00, 0x80, 0x00, 0xFF},
    {0x93, 0x02, 0x04, 0x00, 0x12, 0x80, 0x05, 0xFF},
    {0x93, 0x02, 0x04, 0x00, 0x13, 0x80, 0x03, 0xFF},
    {0x93, 0x02, 0x04, 0x00, 0x14, 0x80, 0x06, 0xFF},
}};

// DELTA 0.001 as an IEEE 754 double.
inline constexpr std::array<std::uint8_t, 12> DeltaImage = {0x10, 0x00, 0x08, 0x00, 0xFC, 0xA9,
                                                           0xF1, 0xD2, 0x4D, 0x62, 0x50, 0x3F};

// SELECTION: pane 3, active cell A1, one selected area A1.
inline constexpr std::array<std::uint8_t, 15> SelectionData = {3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};

// The colours of colour indices 8 to 63 as 0x00BBGGRR.
inline constexpr std::size_t PaletteSize = 56;
inline constexpr std::array<std::uint32_t, PaletteSize> DefaultPalette = {
    0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00,  //  8-15
    0x000080, 0x008000, 0x800000, 0x008080, 0x800080, 0x808000, 0xC0C0C0, 0x808080,  // 16-23
    0xFF9999, 0x663399, 0xCCFFFF, 0xFFFFCC, 0x660066, 0x8080FF, 0xCC6600, 0xFFCCCC,  // 24-31
    0x800000, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0x800080, 0x000080, 0x808000, 0xFF0000,  // 32-39
    0xFFCC00, 0xFFFFCC, 0xCCFFCC, 0x99FFFF, 0xFFCC99, 0xCC99FF, 0xFF99CC, 0x99CCFF,  // 40-47
    0xFF6633, 0xCCCC33, 0x00CC99, 0x00CCFF, 0x0099FF, 0x0066FF, 0x996666, 0x969696,  // 48-55
    0x663300, 0x669933, 0x003300, 0x003333, 0x003399, 0x663399, 0x993333, 0x333333,  // 56-63
};

// Colours that are never given away when the palette must take a new colour.
inline constexpr std::array<std::uint32_t, 16> FixedColours = {
    0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080, 0x0000FF, 0x000080, 0x00FFFF, 0x008080,
    0x00FF00, 0x008000, 0xFFFF00, 0x808000, 0xFF0000, 0x800000, 0xFF00FF, 0x800080};

}  // namespace biff8

// The fuses, the field lists of each fuse byte and the layouts built from them.
#include "quarnel/devices/fuse_layout.h"

namespace quarnel {

namespace {

constexpr FuseInfo BLB0{"BLB0", "Disable SPM/LPM in application section (BLB02,BLB01)", nullptr};
constexpr FuseInfo BLB1{"BLB1", "Disable SPM/LPM in boot section (BLB12,BLB11)", nullptr};
constexpr FuseInfo BODEN{"BODEN", "Brown-out detect", nullptr};
constexpr FuseInfo BODLEVEL{"BODLEVEL", "Brown-out level", "BLEV"};
constexpr FuseInfo BOOTRST{"BOOTRST", "Reset to boot block", "BRST"};
constexpr FuseInfo BOOTSZ{"BOOTSZ", "Boot section size", "BSIZ"};
constexpr FuseInfo CKDIV{"CKDIV", "clock prescaler selection", "CKDIV8"};
constexpr FuseInfo CKOPT{"CKOPT", "Clock option", nullptr};
constexpr FuseInfo CKOUT{"CKOUT", "clock output enable", nullptr};
constexpr FuseInfo CKSEL{"CKSEL", "Clock selection", nullptr};
constexpr FuseInfo DUVRDINIT{"DUVRDINIT", "DUVRD register reset value", nullptr};
constexpr FuseInfo DWEN{"DWEN", "DebugWire enable", nullptr};
constexpr FuseInfo EESAVE{"EESAVE", "Keep EEPROM @ erase", "EESV"};
constexpr FuseInfo FSTRT{"FSTRT", "Fast start", nullptr};
constexpr FuseInfo HWBE{"HWBE", "Hardwre Boot Enable", nullptr};
constexpr FuseInfo JTAGEN{"JTAGEN", "JTAG port enable", nullptr};
constexpr FuseInfo M103C{"M103C", "mega103 compatibility enable", nullptr};
constexpr FuseInfo M161C{"M161C", "mega161 compatibility enable", nullptr};
constexpr FuseInfo OCDEN{"OCDEN", "On-chip debug enable", nullptr};
constexpr FuseInfo PLLCK{"PLLCK", "Use PLL for internal clock", nullptr};
constexpr FuseInfo PSC0RB{"PSC0RB", "PSC0 reset behavior", nullptr};
constexpr FuseInfo PSC1RB{"PSC1RB", "PSC1 reset behavior", nullptr};
constexpr FuseInfo PSC2RB{"PSC2RB", "PSC2 reset behavior", nullptr};
constexpr FuseInfo PSC2RBA{"PSC2RBA", "PSC2 reset behavior for OUT22 & 23", nullptr};
constexpr FuseInfo PSCINRB{"PSCINRB", "PSC & PSCR Inputs Reset Behavior", nullptr};
constexpr FuseInfo PSCRB{"PSCRB", "PSC reset behavior", nullptr};
constexpr FuseInfo PSCRRB{"PSCRRB", "PSC reduced reset behavior", nullptr};
constexpr FuseInfo PSCRV{"PSCRV", "PSC reset value", nullptr};
constexpr FuseInfo PSCRVA{"PSCRVA", "PSCA reset value", nullptr};
constexpr FuseInfo PSCRVB{"PSCRVB", "PSCB reset value", nullptr};
constexpr FuseInfo RCEN{"RCEN", "RC generator enable", nullptr};
constexpr FuseInfo RSTDISBL{"RSTDISBL", "Reset pin disable", "RSTDSBL"};
constexpr FuseInfo S8515C{"S8515C", "90S8515 compatibility enable", nullptr};
constexpr FuseInfo S8535C{"S8535C", "90S8535 compatibility enable", nullptr};
constexpr FuseInfo SELFPRGEN{"SELFPRGEN", "Self programming enable", "SPMEN"};
constexpr FuseInfo SPIEN{"SPIEN", "SPI programming enable", nullptr};
constexpr FuseInfo SUT{"SUT", "Start-up timer", nullptr};
constexpr FuseInfo WDTON{"WDTON", "WDT enable", nullptr};

// A field of bits high..low, a one-bit field, and the entry that ends a list.
constexpr FuseField bits(const FuseInfo& fuse, int high, int low) {
    return {&fuse, std::uint8_t(high - low + 1), std::uint8_t(low)};
}
constexpr FuseField bit(const FuseInfo& fuse, int number) {
    return bits(fuse, number, number);
}
constexpr FuseField end{nullptr, 0, 0};

// Lock byte.
constexpr FuseField boot_lock[] = {bits(BLB1, 5, 4), bits(BLB0, 3, 2), end};

// Low byte.
constexpr FuseField low_fstrt[] = {bit(FSTRT, 0), end};
constexpr FuseField low_rcen[] = {bit(RCEN, 0), end};
constexpr FuseField low_bod_cksel3[] = {bit(BODLEVEL, 4), bit(BODEN, 3), bits(CKSEL, 2, 0), end};
constexpr FuseField low_tiny12[] = {bit(BODLEVEL, 7), bit(BODEN, 6),     bit(SPIEN, 5),
                                    bit(RSTDISBL, 4), bits(CKSEL, 3, 0), end};
constexpr FuseField low_tiny15[] = {bit(BODLEVEL, 7), bit(BODEN, 6),     bit(SPIEN, 5),
                                    bit(RSTDISBL, 4), bits(CKSEL, 1, 0), end};
constexpr FuseField low_tiny13[] = {bit(EESAVE, 6),  bit(WDTON, 5),     bit(CKDIV, 4),
                                    bits(SUT, 3, 2), bits(CKSEL, 1, 0), end};
constexpr FuseField low_ckdiv[] = {bit(CKDIV, 7), bit(CKOUT, 6), bits(SUT, 5, 4), bits(CKSEL, 3, 0),
                                   end};
constexpr FuseField low_ckdiv_cksel2[] = {bit(CKDIV, 7), bit(CKOUT, 6), bits(SUT, 5, 4),
                                          bits(CKSEL, 1, 0), end};
constexpr FuseField low_pll[] = {bit(PLLCK, 7), bit(CKOPT, 6), bits(SUT, 5, 4), bits(CKSEL, 3, 0),
                                 end};
constexpr FuseField low_eesave_sut[] = {bit(EESAVE, 3), bits(SUT, 1, 0), end};
constexpr FuseField low_mega161[] = {bit(BOOTRST, 6), bit(SUT, 4), bits(CKSEL, 2, 0), end};
constexpr FuseField low_bod[] = {bit(BODLEVEL, 7), bit(BODEN, 6), bits(CKSEL, 3, 0), end};
constexpr FuseField low_bod_sut[] = {bit(BODLEVEL, 7), bit(BODEN, 6), bits(SUT, 5, 4),
                                     bits(CKSEL, 3, 0), end};
constexpr FuseField low_hva[] = {bit(WDTON, 7),     bit(EESAVE, 6),  bit(DWEN, 4),
                                 bit(SELFPRGEN, 3), bits(SUT, 2, 0), end};
constexpr FuseField low_hvb[] = {bit(WDTON, 7), bit(EESAVE, 6), bits(SUT, 4, 2), end};

// High byte.
constexpr FuseField high_tiny13[] = {bit(SELFPRGEN, 4), bit(DWEN, 3), bits(BODLEVEL, 2, 1),
                                     bit(RSTDISBL, 0), end};
constexpr FuseField high_tiny2313[] = {bit(DWEN, 7),         bit(EESAVE, 6),   bit(WDTON, 4),
                                       bits(BODLEVEL, 3, 1), bit(RSTDISBL, 0), end};
constexpr FuseField high_rst_dw_bod[] = {bit(RSTDISBL, 7), bit(DWEN, 6),         bit(WDTON, 4),
                                         bit(EESAVE, 3),   bits(BODLEVEL, 2, 0), end};
constexpr FuseField high_tiny26[] = {bit(RSTDISBL, 4), bit(EESAVE, 2), bit(BODLEVEL, 1),
                                     bit(BODEN, 0), end};
constexpr FuseField high_boot[] = {bits(BOOTSZ, 2, 1), bit(BOOTRST, 0), end};
constexpr FuseField high_mega323[] = {bit(OCDEN, 7),      bit(JTAGEN, 6),  bit(EESAVE, 3),
                                      bits(BOOTSZ, 2, 1), bit(BOOTRST, 0), end};
constexpr FuseField high_mega8515[] = {bit(S8515C, 7),
                                       bit(WDTON, 6),
                                       bit(CKOPT, 4),
                                       bit(EESAVE, 3),
                                       bits(BOOTSZ, 2, 1),
                                       bit(BOOTRST, 0),
                                       end};
constexpr FuseField high_mega8535[] = {bit(S8535C, 7),
                                       bit(WDTON, 6),
                                       bit(CKOPT, 4),
                                       bit(EESAVE, 3),
                                       bits(BOOTSZ, 2, 1),
                                       bit(BOOTRST, 0),
                                       end};
constexpr FuseField high_ocd_wdt[] = {bit(OCDEN, 7),
                                      bit(JTAGEN, 6),
                                      bit(WDTON, 4),
                                      bit(EESAVE, 3),
                                      bits(BOOTSZ, 2, 1),
                                      bit(BOOTRST, 0),
                                      end};
constexpr FuseField high_ocd_ckopt[] = {bit(OCDEN, 7),
                                        bit(JTAGEN, 6),
                                        bit(CKOPT, 4),
                                        bit(EESAVE, 3),
                                        bits(BOOTSZ, 2, 1),
                                        bit(BOOTRST, 0),
                                        end};
constexpr FuseField high_mega8[] = {bit(RSTDISBL, 7),
                                    bit(WDTON, 6),
                                    bit(CKOPT, 4),
                                    bit(EESAVE, 3),
                                    bits(BOOTSZ, 2, 1),
                                    bit(BOOTRST, 0),
                                    end};
constexpr FuseField high_rst_dw_boot[] = {
    bit(RSTDISBL, 7), bit(DWEN, 6), bit(WDTON, 4), bit(EESAVE, 3), bits(BOOTSZ, 2, 1),
    bit(BOOTRST, 0),  end};
constexpr FuseField high_dw_rst_boot[] = {bit(DWEN, 7),
                                          bit(RSTDISBL, 6),
                                          bit(WDTON, 4),
                                          bit(EESAVE, 3),
                                          bits(BOOTSZ, 2, 1),
                                          bit(BOOTRST, 0),
                                          end};
constexpr FuseField high_hvb[] = {bit(DUVRDINIT, 4), bit(DWEN, 3), bits(BOOTSZ, 2, 1),
                                  bit(BOOTRST, 0), end};

// Extended byte.
constexpr FuseField ext_selfprgen[] = {bit(SELFPRGEN, 0), end};
constexpr FuseField ext_mega162[] = {bit(M161C, 4), bits(BODLEVEL, 3, 1), end};
constexpr FuseField ext_boot[] = {bits(BOOTSZ, 2, 1), bit(BOOTRST, 0), end};
constexpr FuseField ext_bod3[] = {bits(BODLEVEL, 2, 0), end};
constexpr FuseField ext_bod3_high[] = {bits(BODLEVEL, 3, 1), end};
constexpr FuseField ext_m103c[] = {bit(M103C, 1), bit(WDTON, 0), end};
constexpr FuseField ext_hwbe[] = {bit(HWBE, 3), bits(BODLEVEL, 2, 0), end};
constexpr FuseField ext_bod3_rst[] = {bits(BODLEVEL, 3, 1), bit(RSTDISBL, 0), end};
constexpr FuseField ext_bod2_rst[] = {bits(BODLEVEL, 2, 1), bit(RSTDISBL, 0), end};
constexpr FuseField ext_pwm[] = {bit(PSC2RB, 7),
                                 bit(PSC1RB, 6),
                                 bit(PSC0RB, 5),
                                 bit(PSCRV, 4),
                                 bits(BOOTSZ, 2, 1),
                                 bit(BOOTRST, 0),
                                 end};
constexpr FuseField ext_pwm81[] = {bit(PSC2RB, 7),
                                   bit(PSC2RBA, 6),
                                   bit(PSCRRB, 5),
                                   bit(PSCRV, 4),
                                   bit(PSCINRB, 3),
                                   bits(BODLEVEL, 2, 0),
                                   end};
constexpr FuseField ext_m1[] = {bit(PSCRB, 5), bit(PSCRVA, 4), bit(PSCRVB, 3), bits(BODLEVEL, 2, 0),
                                end};

} // namespace

namespace fuse_layouts {

// clang-format off
//                         _LOCK      _LOW              _HIGH             _EXT
constexpr FuseLayout L1  {{nullptr,   low_fstrt,        nullptr,          nullptr}};
constexpr FuseLayout L2  {{nullptr,   low_bod_cksel3,   nullptr,          nullptr}};
constexpr FuseLayout L3  {{nullptr,   low_rcen,         nullptr,          nullptr}};
constexpr FuseLayout L4  {{nullptr,   low_tiny12,       nullptr,          nullptr}};
constexpr FuseLayout L5  {{nullptr,   low_tiny13,       high_tiny13,      nullptr}};
constexpr FuseLayout L6  {{nullptr,   low_ckdiv,        high_tiny2313,    ext_selfprgen}};
constexpr FuseLayout L7  {{nullptr,   low_tiny15,       nullptr,          nullptr}};
constexpr FuseLayout L8  {{nullptr,   low_ckdiv,        high_rst_dw_bod,  ext_selfprgen}};
constexpr FuseLayout L9  {{nullptr,   low_pll,          high_tiny26,      nullptr}};
constexpr FuseLayout L10 {{nullptr,   low_ckdiv_cksel2, high_rst_dw_bod,  ext_selfprgen}};
constexpr FuseLayout L11 {{nullptr,   low_eesave_sut,   nullptr,          nullptr}};
constexpr FuseLayout L12 {{boot_lock, low_mega161,      nullptr,          nullptr}};
constexpr FuseLayout L13 {{boot_lock, low_bod,          high_boot,        nullptr}};
constexpr FuseLayout L14 {{boot_lock, low_bod,          high_mega323,     nullptr}};
constexpr FuseLayout L15 {{boot_lock, low_bod_sut,      high_mega8515,    nullptr}};
constexpr FuseLayout L16 {{boot_lock, low_bod_sut,      high_mega8535,    nullptr}};
constexpr FuseLayout L17 {{boot_lock, low_ckdiv,        high_ocd_wdt,     ext_mega162}};
constexpr FuseLayout L18 {{boot_lock, low_bod_sut,      high_mega8,       nullptr}};
constexpr FuseLayout L19 {{boot_lock, low_ckdiv,        high_rst_dw_bod,  ext_boot}};
constexpr FuseLayout L20 {{boot_lock, low_ckdiv,        high_rst_dw_boot, ext_bod3}};
constexpr FuseLayout L21 {{boot_lock, low_bod_sut,      high_ocd_ckopt,   nullptr}};
constexpr FuseLayout L22 {{boot_lock, low_bod_sut,      high_ocd_ckopt,   ext_m103c}};
constexpr FuseLayout L23 {{boot_lock, low_ckdiv,        high_ocd_wdt,     ext_bod3_high}};
constexpr FuseLayout L24 {{boot_lock, low_ckdiv,        high_dw_rst_boot, ext_hwbe}};
constexpr FuseLayout L25 {{boot_lock, low_ckdiv,        high_ocd_wdt,     ext_hwbe}};
constexpr FuseLayout L26 {{boot_lock, low_ckdiv,        high_ocd_wdt,     ext_bod3}};
constexpr FuseLayout L27 {{boot_lock, low_ckdiv,        high_ocd_wdt,     ext_bod3_rst}};
constexpr FuseLayout L28 {{boot_lock, low_ckdiv,        high_ocd_wdt,     ext_bod2_rst}};
constexpr FuseLayout L29 {{boot_lock, low_ckdiv,        high_rst_dw_bod,  ext_pwm}};
constexpr FuseLayout L30 {{boot_lock, low_ckdiv,        high_rst_dw_boot, ext_pwm81}};
constexpr FuseLayout L31 {{boot_lock, low_ckdiv,        high_rst_dw_boot, ext_m1}};
constexpr FuseLayout L32 {{nullptr,   low_hva,          nullptr,          nullptr}};
constexpr FuseLayout L33 {{boot_lock, low_hvb,          high_hvb,         nullptr}};
// clang-format on

} // namespace fuse_layouts

const char* byte_name(int index) {
    static constexpr const char* names[fuse_byte_count] = {"_LOCK", "_LOW", "_HIGH", "_EXT"};
    return index >= 0 && index < fuse_byte_count ? names[index] : "???";
}

std::uint8_t defined_mask(const FuseField* fields) {
    std::uint8_t mask = 0;
    for (const FuseField* field = fields; field && field->fuse; ++field)
        mask |= field->mask();
    return mask;
}

} // namespace quarnel

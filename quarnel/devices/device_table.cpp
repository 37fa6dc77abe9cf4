// The device catalogue rows: names, signature, memories, timing, polling, flags, fuse formats.
#include "quarnel/devices/device_table.h"

#include "quarnel/devices/fuse_layout.h"

namespace quarnel {

using namespace fuse_layouts;

// EEPROM sizes follow the datasheets: mega328 and mega328P hold 1024 bytes, tiny48
// and tiny88 hold 64 bytes.
// clang-format off
constexpr DeviceInfo device_table[device_count + 1] = {
    // names, signature, erase ms,
    //     flash: size, page, write ms, poll; EEPROM: size, page, write ms, poll;
    //     calibration bytes, flags, lock format, fuse format, {}, fuse layout
    {"86RF401", 0x1E9181, 30, 2048, 0, 10, 0, 128, 0, 10, 0, 0, DEV_SCK_5_17, 0, 0, {}, nullptr},
    {"90S1200", 0x1E9001, 30, 1024, 0, 6, 0, 64, 0, 6, 0, 0, DEV_NEW_LINE | DEV_SCK_2_5 | DEV_NO_ECHO, 0, 0, {}, nullptr},
    {"90S2313", 0x1E9101, 30, 2048, 0, 6, 3, 128, 0, 6, 2, 0, DEV_RESERVED_4, 0, 0, {}, nullptr},
    {"90S4414", 0x1E9201, 30, 4096, 0, 6, 3, 256, 0, 6, 2, 0, DEV_RESERVED_4, 0, 0, {}, nullptr},
    {"90S8515", 0x1E9301, 30, 8192, 0, 6, 3, 512, 0, 6, 2, 0, DEV_RESERVED_4, 0, 0, {}, nullptr},
    {"90S4434", 0x1E9202, 30, 4096, 0, 6, 4, 256, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4 | DEV_RESERVED_1, 1, 1, {}, &L1},
    {"90S8535", 0x1E9303, 30, 8192, 0, 6, 4, 512, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 1, 1, {}, &L1},
    {"90S2333", 0x1E9105, 3, 2048, 0, 6, 4, 128, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 2, 2, {}, &L2},
    {"90S4433", 0x1E9203, 30, 4096, 0, 6, 4, 256, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 2, 2, {}, &L2},
    {"90S2323", 0x1E9102, 30, 2048, 0, 6, 4, 128, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 1, 1, {}, &L1},
    {"90S2343", 0x1E9103, 30, 2048, 0, 6, 4, 128, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 1, 1, {}, &L3},
    {"tiny12", 0x1E9005, 30, 1024, 0, 6, 4, 64, 0, 8, 4, 1, DEV_NEW_LINE | DEV_ERASE_TWICE | DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 2, 3, {}, &L4},
    {"tiny22L", 0x1E9106, 30, 2048, 0, 6, 4, 128, 0, 6, 1, 0, DEV_RESERVED_4, 1, 0, {}, nullptr},
    {"tiny22", 0x1E9106, 30, 2048, 0, 6, 4, 128, 0, 6, 1, 0, DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 1, 1, {}, &L3},
    {"tiny13|tiny13A", 0x1E9007, 20, 1024, 32, 6, 5, 64, 4, 5, 5, 2, 0, 3, 3, {}, &L5},
    {"tiny2313|tiny2313A", 0x1E910A, 20, 2048, 32, 6, 5, 128, 4, 5, 5, 2, DEV_NEW_LINE, 3, 3, {}, &L6},
    {"tiny4313", 0x1E920D, 20, 4096, 64, 6, 5, 256, 4, 5, 5, 2, 0, 3, 3, {}, &L6},
    {"tiny15", 0x1E9006, 30, 1024, 0, 5, 4, 64, 0, 9, 4, 1, DEV_NEW_LINE | DEV_LOCKED_WRITE_OK | DEV_RESERVED_4, 2, 3, {}, &L7},
    {"tiny25", 0x1E9108, 20, 2048, 32, 6, 5, 128, 4, 5, 5, 2, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny45", 0x1E9206, 20, 4096, 64, 6, 5, 256, 4, 5, 5, 2, 0, 3, 3, {}, &L8},
    {"tiny85", 0x1E930B, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 2, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny26", 0x1E9109, 20, 2048, 32, 6, 4, 128, 4, 10, 4, 4, DEV_NEW_LINE, 3, 3, {}, &L9},
    {"tiny261|tiny261A", 0x1E910C, 20, 2048, 32, 6, 5, 128, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny461|tiny461A", 0x1E9208, 20, 4096, 64, 6, 5, 256, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny861|tiny861A", 0x1E930D, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny24|tiny24A", 0x1E910B, 20, 2048, 32, 6, 5, 128, 4, 5, 5, 1, DEV_NEW_LINE, 3, 3, {}, &L8},
    {"tiny44|tiny44A", 0x1E9207, 20, 4096, 64, 6, 5, 256, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny84", 0x1E930C, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny43u", 0x1E920C, 20, 4096, 64, 5, 5, 64, 4, 5, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny48", 0x1E9209, 20, 4096, 64, 6, 5, 64, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L10},
    {"tiny88", 0x1E9311, 20, 8192, 64, 6, 5, 64, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L10},
    {"tiny87", 0x1E9387, 20, 8192, 128, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"tiny167", 0x1E9487, 20, 16384, 128, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"mega603", 0x1E9601, 70, 65536, 256, 25, 0, 2048, 0, 10, 2, 0, DEV_NEW_LINE | DEV_RESERVED_4 | DEV_RESERVED_1, 2, 2, {}, &L11},
    {"mega103", 0x1E9701, 70, 131072, 256, 25, 0, 4096, 0, 10, 2, 0, DEV_RESERVED_4, 2, 2, {}, &L11},
    {"mega161", 0x1E9401, 35, 16384, 128, 16, 4, 512, 0, 6, 4, 0, 0, 3, 3, {}, &L12},
    {"mega163", 0x1E9402, 35, 16384, 128, 18, 4, 512, 0, 6, 4, 1, DEV_RESERVED_4, 3, 3, {}, &L13},
    {"mega323", 0x1E9501, 35, 32768, 128, 18, 4, 1024, 0, 6, 4, 1, DEV_RESERVED_4, 3, 3, {}, &L14},
    {"mega8515", 0x1E9306, 20, 8192, 64, 6, 4, 512, 4, 10, 4, 4, DEV_NEW_LINE, 3, 3, {}, &L15},
    {"mega8535", 0x1E9308, 20, 8192, 64, 6, 4, 512, 4, 10, 4, 4, 0, 3, 3, {}, &L16},
    {"mega162", 0x1E9404, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, 0, 3, 3, {}, &L17},
    {"mega8|mega8A", 0x1E9307, 20, 8192, 64, 6, 4, 512, 4, 10, 4, 4, DEV_NEW_LINE, 3, 3, {}, &L18},
    {"mega48|mega48A", 0x1E9205, 20, 4096, 64, 6, 5, 256, 4, 5, 5, 1, 0, 3, 3, {}, &L8},
    {"mega48P|mega48PA", 0x1E920A, 20, 4096, 64, 6, 5, 256, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L8},
    {"mega88|mega88A", 0x1E930A, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, 0, 3, 3, {}, &L19},
    {"mega88P|mega88PA", 0x1E930F, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L19},
    {"mega168|mega168A", 0x1E9406, 20, 16384, 128, 6, 5, 512, 4, 5, 5, 1, 0, 3, 3, {}, &L19},
    {"mega168P|mega168PA", 0x1E940B, 20, 16384, 128, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L19},
    {"mega328", 0x1E9514, 20, 32768, 128, 6, 5, 1024, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L20},
    {"mega328P", 0x1E950F, 20, 32768, 128, 6, 5, 1024, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L20},
    {"mega16|mega16A", 0x1E9403, 20, 16384, 128, 6, 4, 512, 4, 10, 4, 4, DEV_NEW_LINE, 3, 3, {}, &L21},
    {"mega32|mega32A", 0x1E9502, 20, 32768, 128, 6, 4, 1024, 4, 10, 4, 4, 0, 3, 3, {}, &L21},
    {"mega64|mega64A", 0x1E9602, 20, 65536, 256, 6, 4, 2048, 8, 12, 4, 4, 0, 3, 3, {}, &L22},
    {"mega128|mega128A", 0x1E9702, 20, 131072, 256, 6, 4, 4096, 8, 12, 4, 4, 0, 3, 3, {}, &L22},
    {"90CAN32", 0x1E9581, 20, 32768, 256, 6, 5, 1024, 8, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L23},
    {"90CAN64", 0x1E9681, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L23},
    {"90CAN128", 0x1E9781, 20, 131072, 256, 6, 5, 4096, 8, 10, 5, 1, 0, 3, 3, {}, &L23},
    {"90usb82", 0x1E9382, 20, 8192, 128, 6, 5, 512, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L24},
    {"90usb162", 0x1E9482, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, 0, 3, 3, {}, &L24},
    {"mega8U2", 0x1E9389, 20, 8192, 64, 6, 5, 512, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L24},
    {"mega16U2", 0x1E9489, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L24},
    {"mega32U2", 0x1E958A, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L24},
    {"mega16U4", 0x1E9488, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L25},
    {"mega32U4", 0x1E9587, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L25},
    {"mega32U6", 0x1E9588, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L25},
    {"90usb646|90usb647", 0x1E9682, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L25},
    {"90usb1286|90usb1287", 0x1E9782, 20, 131072, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L25},
    {"mega164A", 0x1E940F, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega164P|mega164PA", 0x1E940A, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega324A", 0x1E9515, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega324P", 0x1E9508, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega324PA", 0x1E9511, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega644|mega644A", 0x1E9609, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega644P|mega644PA", 0x1E960A, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega1284", 0x1E9706, 20, 131072, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega1284P", 0x1E9705, 20, 131072, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega165|mega165P|mega165PA", 0x1E9407, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L27},
    {"mega165A", 0x1E9410, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L27},
    {"mega325|mega325A", 0x1E9505, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega325P", 0x1E950D, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega3250", 0x1E9506, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega3250P", 0x1E950E, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega645|mega645A", 0x1E9605, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega6450|mega6450A", 0x1E9606, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega169|mega169P|mega169PA", 0x1E9405, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L27},
    {"mega169A", 0x1E9411, 20, 16384, 128, 6, 5, 512, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L27},
    {"mega329|mega329A", 0x1E9503, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega329P|mega329PA", 0x1E950B, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega3290", 0x1E9504, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega3290P", 0x1E950C, 20, 32768, 128, 6, 5, 1024, 4, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega649|mega649A", 0x1E9603, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega6490|mega6490A", 0x1E9604, 20, 65536, 256, 6, 5, 2048, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L28},
    {"mega640", 0x1E9608, 20, 65536, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega1280", 0x1E9703, 20, 131072, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega1281", 0x1E9704, 20, 131072, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega2560", 0x1E9801, 20, 262144, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"mega2561", 0x1E9802, 20, 262144, 256, 6, 5, 4096, 8, 10, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L26},
    {"90pwm2|90pwm3", 0x1E9381, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L29},
    {"90pwm1|90pwm2B|90pwm3B", 0x1E9383, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L29},
    {"90pwm216|90pwm316", 0x1E9483, 20, 16384, 64, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L29},
    {"90pwm81", 0x1E9388, 20, 8192, 64, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L30},
    {"mega16M1", 0x1E9484, 20, 16384, 128, 6, 5, 512, 4, 5, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L31},
    {"mega32M1", 0x1E9584, 20, 32768, 128, 6, 5, 1024, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L31},
    {"mega64M1", 0x1E9684, 20, 65536, 256, 6, 5, 2048, 8, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L31},
    {"mega32C1", 0x1E9586, 20, 32768, 128, 6, 5, 1024, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L31},
    {"mega64C1", 0x1E9686, 20, 65536, 256, 6, 5, 2048, 8, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L31},
    {"mega8HVA", 0x1E9310, 10, 8192, 128, 6, 5, 256, 4, 5, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L32},
    {"mega16HVA", 0x1E940C, 10, 16384, 128, 6, 5, 256, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L32},
    {"mega16HVB", 0x1E940D, 10, 16384, 128, 6, 5, 512, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L33},
    {"mega32HVB", 0x1E9510, 10, 32768, 128, 6, 5, 1024, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L33},
    {"mega8HVD", 0x1E9312, 20, 8192, 64, 6, 5, 256, 4, 5, 5, 1, DEV_RESERVED_1, 3, 3, {}, &L32},
    {"mega128RFA1", 0x1EA701, 30, 131072, 256, 6, 5, 4096, 8, 12, 5, 1, DEV_NEW_LINE | DEV_RESERVED_1, 3, 3, {}, &L26},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, {}, nullptr},
};
// clang-format on

namespace {

constexpr bool is_power_of_two_or_zero(std::int32_t n) {
    return n >= 0 && (n & (n - 1)) == 0;
}

constexpr bool catalogue_is_sound() {
    for (int i = 0; i < device_count; ++i) {
        const DeviceInfo& row = device_table[i];
        if (row.names == nullptr || !is_power_of_two_or_zero(row.flash_page) ||
            !is_power_of_two_or_zero(row.eeprom_page) || row.flash_poll < POLL_NONE ||
            row.flash_poll > POLL_RDY_BSY || row.eeprom_poll < POLL_NONE ||
            row.eeprom_poll > POLL_RDY_BSY) {
            return false;
        }
    }
    return device_table[device_count].names == nullptr;
}

// Two rows share a signature only where one chip goes by two catalogue rows (tiny22, tiny22L).
constexpr int shared_signatures() {
    int shared = 0;
    for (int i = 0; i < device_count; ++i) {
        for (int j = i + 1; j < device_count; ++j) {
            shared += device_table[i].signature == device_table[j].signature ? 1 : 0;
        }
    }
    return shared;
}

static_assert(catalogue_is_sound(), "every row named, pages powers of two, known poll codes");
static_assert(shared_signatures() == 1, "signatures are unique but for one documented pair");

} // namespace

} // namespace quarnel

// The help listings: all supported devices, and the fuses of one device.
#include "quarnel/devices/device_listing.h"

#include "quarnel/common/console.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/devices/fuse_layout.h"

#include <cstring>

namespace quarnel {

namespace {

constexpr int column_step = 12;
constexpr int last_column = 78;

} // namespace

void list_supported_devices() {
    list_supported_devices(device_table);
}

void list_supported_devices(const DeviceInfo* rows) {
    console_log(2, "\nSupported devices");
    int column = last_column + 1; // forces a line break before the first name
    for (const DeviceInfo* row = rows; row->names; ++row) {
        if (row->flags & DEV_HIDDEN)
            continue;
        const int length = int(std::strlen(row->names));
        int stop = (column + column_step - 1) / column_step * column_step;
        if (stop <= column + 1)
            stop += column_step; // keep at least two blanks between names
        int end = stop + length;
        if (end > last_column || (row->flags & DEV_NEW_LINE)) {
            console_log(2, "\n");
            stop = 1;
            end = length + 1;
            column = 0;
        }
        console_log(2, "%*c%s", stop - column, ' ', row->names);
        column = end;
    }
    console_log(2, "\n\nFor latest versions see\n");
    console_log(2, "https://quarnel.example.org/\n");
}

void list_device_fuses(const char* name) {
    const int index = find_device(name);
    if (index < 0) {
        console_log(2, "%s unsupported\n", name);
        return;
    }
    const DeviceInfo& device = device_table[index];
    console_log(2, "\n%s signature %X\n", device.names, device.signature);
    if (!device.fuse_layout) {
        console_log(2, "  has no ISP-writable fuses\n");
        return;
    }
    console_log(2, "Fuse list\n  fuse programmed state is 0\n"
                   "  use ON or OFF aliases for 1-bit fuses if you not shure\n");
    for (int byte = 0; byte < fuse_byte_count; ++byte) {
        const FuseField* fields = device.fuse_layout->bytes[byte];
        if (!fields)
            continue;
        console_log(2, "\n%s fuse byte:\n", byte_name(byte));
        for (const FuseField* field = fields; field->fuse; ++field) {
            console_log(2, "  %-10s = 0 %s %2X - %s\n", field->fuse->name,
                        field->width == 1 ? "or" : "to", field->max_value(),
                        field->fuse->description);
            if (field->fuse->alias)
                console_log(2, "   (%s)\n", field->fuse->alias);
        }
    }
}

} // namespace quarnel

// Validity rules of a parsed command line.
#include "quarnel/run/command_check.h"

#include "quarnel/common/command_errors.h"
#include "quarnel/devices/current_device.h"

namespace quarnel {

namespace {

// The options that take fuse and lock bytes from an ELF file, and ELF as an output.
void check_file_options(const RunOptions& options) {
    if (options.file_fuses && options.fuse_list) {
        command_error("--file-fuses can't be used with -f\n");
    }
    if (options.file_lock && options.lock_level != lock_request::none) {
        command_error("--file-lock can't be used with -l\n");
    }
    if ((options.file_fuses || options.file_lock) && !options.write && !options.verify) {
        command_error("Nothing to do with fuses, -w or -v must be specified\n");
    }
    if (options.read) {
        for (const FileSpec& file : options.files) {
            if (file.name && file.format == FILE_ELF) {
                command_error("Can't write ELF files, use :ihex:, :bin: or :srec: for %s\n",
                              file.name->c_str());
            }
        }
    }
}

} // namespace

void check_command(const RunOptions& options, FuseRequest& fuses) {
    const bool lists_ftdi_devices = options.port_spec && options.port_spec->starts_with('?');
    if (!options.requested_name && !lists_ftdi_devices) {
        command_error("Chip name must be specified\n");
    }
    if (options.fuse_list && options.requested_name) {
        const DeviceSelection requested{options.requested_name};
        parse_fuse_list(options.fuse_list, requested.current(), fuses);
    }
    const bool any_file = options.code_file().name || options.data_file().name;
    if (options.read) {
        if (options.write || options.verify) {
            command_error("Can't both read and write or verify\n");
        }
        if (!any_file) {
            command_error("Can't read without target files\n");
        }
    }
    if ((options.write || options.verify) && !any_file && !options.fuse_list) {
        command_error("Can't write/verify without source files or fuse list\n");
    }
    if (!options.read && !options.write && !options.verify && any_file) {
        command_error("Nothing to do with files, -r or -w or -v must be specified\n");
    }
    if (options.code_file().name && options.data_file().name &&
        *options.code_file().name == *options.data_file().name) {
        command_error("The same file selected for both code and data\n");
    }
    if (!options.write && !options.verify && options.fuse_list) {
        command_error("Nothing to do with fuses, -w or -v must be specified\n");
    }
    check_file_options(options);
}

} // namespace quarnel

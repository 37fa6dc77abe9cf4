// Folder set-up, avrsim calls and dorvik runs for the end-to-end tests.
#include "tests/dorvik/dorvik_bench_run.h"

#include "quarnel/image/hex_reader.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quarnel;

DorvikFolder::DorvikFolder(const char* ini) {
    std::filesystem::copy_file(DORVIK_PROGRAM, dir.file("dorvik"));
    if (ini != nullptr) {
        write_file(dir.file("dorvik.ini"), ini);
    }
}

void DorvikFolder::make_target(const std::string& chip, const std::vector<std::string>& keys) {
    std::vector<std::string> args{"new", file("target"), chip, "adapter=dorvik"};
    args.insert(args.end(), keys.begin(), keys.end());
    avrsim(args);
}

std::string DorvikFolder::avrsim(const std::vector<std::string>& args) {
    ProgramRun run;
    run.program = "avrsim";
    run.args = args;
    const ProgramResult r = run_program(run);
    EXPECT_EQ(r.status, 0) << r.output;
    return r.output;
}

std::vector<std::uint8_t> DorvikFolder::memory(const std::string& which, std::size_t size) {
    avrsim({"read", file("target"), which, file(which + ".out.hex")});
    return hex_image(file(which + ".out.hex"), size);
}

ProgramResult DorvikFolder::run_with(const std::vector<std::string>& args,
                                     std::map<std::string, std::string> env) {
    ProgramRun run;
    run.program = file("dorvik");
    run.args = args;
    run.env = std::move(env);
    run.directory = dir.path();
    return run_program(run);
}

ProgramResult DorvikFolder::run(const std::vector<std::string>& args) {
    return run_with(args, {{"DLPORTIO_LIBRARY", bin_path("libavrsim_dlportio.so")},
                           {"AVRSIM_TARGET", file("target")}});
}

ProgramResult DorvikFolder::run_on_empty_port(const std::vector<std::string>& args) {
    std::filesystem::remove(file("port.txt"));
    return run_with(args, {{"DLPORTIO_LIBRARY", bin_path("libdorvik_port_recorder.so")},
                           {"PORT_RECORDER_FILE", file("port.txt")}});
}

std::string DorvikFolder::recorded_port() {
    if (!std::filesystem::exists(file("port.txt"))) {
        return "";
    }
    std::string text = read_file(file("port.txt"));
    return text.substr(0, text.find('\n'));
}

std::vector<std::uint8_t> hex_image(const std::string& path, std::size_t size) {
    PortionList portions;
    read_hex_file(portions, path.c_str(), [] { return false; });
    std::vector<std::uint8_t> image(size, 0xFF);
    for (const CodePortion* p = portions.head(); p != nullptr; p = portions.next(p)) {
        for (std::int32_t a = p->start; a <= p->last(); ++a) {
            if (static_cast<std::size_t>(a) < size) {
                image[static_cast<std::size_t>(a)] = p->read(a);
            }
        }
    }
    return image;
}

// Small builders and views of memory images shared by the image tests.
#pragma once

#include "quarnel/common/errors.h"
#include "quarnel/image/portion_list.h"
#include "tests/support/run_program.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace quarnel;

inline CodePortion* add_portion(PortionList& image, std::int32_t start,
                                const std::vector<std::uint8_t>& bytes) {
    return image.append(std::make_unique<CodePortion>(
        start, static_cast<std::int32_t>(bytes.size()), bytes.data()));
}

inline CodePortion* add_filled(PortionList& image, std::int32_t start, std::int32_t length,
                               std::uint8_t value) {
    return add_portion(image, start, std::vector<std::uint8_t>(length, value));
}

// (start, length) of each portion, in list order.
inline std::vector<std::pair<std::int32_t, std::int32_t>> layout(const PortionList& image) {
    std::vector<std::pair<std::int32_t, std::int32_t>> result;
    for (const CodePortion& p : image) {
        result.emplace_back(p.start, p.length);
    }
    return result;
}

inline std::vector<std::uint8_t> bytes_of(const CodePortion& p) {
    return {p.bytes(), p.bytes() + p.length};
}

// The bytes of a contiguous image from address 0.
inline std::vector<std::uint8_t> flat_bytes(const PortionList& image) {
    std::vector<std::uint8_t> result;
    for (const CodePortion& p : image) {
        if (static_cast<std::size_t>(p.start) != result.size()) {
            return {};
        }
        result.insert(result.end(), p.bytes(), p.bytes() + p.length);
    }
    return result;
}

// What `write(stream)` writes, through an in-memory stream.
template <typename F> std::string written_text(F&& write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    write(out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// What a reader prints and the status it ends with (0 when it returns), for the file
// `content` written as `name` in a fresh folder; the path shows as 'f' in the output.
struct ReaderRun {
    std::string output;
    int status = 0;
};
template <typename F>
ReaderRun run_reader(const std::string& content, const std::string& name, F&& read) {
    TempDir dir;
    const std::string path = dir.file(name);
    write_file(path, content);
    ReaderRun run;
    testing::internal::CaptureStdout();
    try {
        read(path.c_str());
    } catch (const quarnel::app_error& e) {
        run.status = e.code;
    }
    run.output = testing::internal::GetCapturedStdout();
    const std::string quoted = "'" + path + "'";
    for (std::size_t at; (at = run.output.find(quoted)) != std::string::npos;) {
        run.output.replace(at, quoted.size(), "'f'");
    }
    return run;
}

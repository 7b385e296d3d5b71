#include "app/LogConsole.h"

FileStreamBuffer::int_type FileStreamBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (file == nullptr || std::fputc(traits_type::to_char_type(c), file) == EOF) {
        return traits_type::eof();
    }
    return c;
}

std::streamsize FileStreamBuffer::xsputn(const char* text, std::streamsize count) {
    if (file == nullptr || count <= 0) return 0;
    return static_cast<std::streamsize>(std::fwrite(text, 1, static_cast<size_t>(count), file));
}

int FileStreamBuffer::sync() {
    if (file == nullptr) return -1;
    return std::fflush(file) == 0 ? 0 : -1;
}

LogConsole::LogConsole()
    : std::ostream(nullptr),
      consoleHandle(INVALID_HANDLE_VALUE),
      consoleBuffer(nullptr),
      nullFile(nullptr),
      consoleFile(nullptr) {
    nullFile = std::fopen(VELMORA_NULL_DEVICE, "w");
    nullBuffer.SetFile(nullFile);
    Reinitialise(&nullBuffer);
}

LogConsole::~LogConsole() {
    Close();
    rdbuf(nullptr);
    if (nullFile != nullptr) std::fclose(nullFile);
    nullFile = nullptr;
}

void LogConsole::Open() {
    if (consoleHandle != INVALID_HANDLE_VALUE) return;

    AllocConsole();  // fails harmlessly when the process already has a console
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return;  // nowhere to write: stay closed

    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
    FILE* file = descriptor >= 0 ? _fdopen(descriptor, "w") : nullptr;
    if (file == nullptr) return;

    consoleHandle = handle;
    consoleFile = file;
    consoleBuffer = new FileStreamBuffer(consoleFile);
    Reinitialise(consoleBuffer);
    setf(std::ios_base::unitbuf);
}

void LogConsole::Close() {
    if (consoleHandle == INVALID_HANDLE_VALUE) return;

    Reinitialise(&nullBuffer);
    FreeConsole();
    std::fclose(consoleFile);
    consoleFile = nullptr;
    consoleHandle = INVALID_HANDLE_VALUE;
    delete consoleBuffer;
    consoleBuffer = nullptr;
}

void LogConsole::Reinitialise(std::streambuf* buffer) {
    rdbuf(buffer);
    flags(std::ios_base::skipws | std::ios_base::dec);
    precision(6);
    width(0);
    fill(widen(' '));
    clear(buffer != nullptr ? std::ios_base::goodbit : std::ios_base::badbit);
}

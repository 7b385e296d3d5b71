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
    init(&nullBuffer);
}

LogConsole::~LogConsole() {
    // Detaching the buffer sets the bad bit; an exception mask left by a user of the stream
    // must not turn that into an exception out of the destructor.
    exceptions(std::ios_base::goodbit);
    Close();
    rdbuf(nullptr);
    if (nullFile != nullptr) std::fclose(nullFile);
    nullFile = nullptr;
}

void LogConsole::Open() {
    if (consoleHandle != INVALID_HANDLE_VALUE) return;

    AllocConsole();  // fails harmlessly when the process already has a console
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return;  // nowhere to write: stay closed

    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
    FILE* file = descriptor >= 0 ? _fdopen(descriptor, "w") : nullptr;
    if (file == nullptr) return;

    consoleHandle = handle;
    consoleFile = file;
    consoleBuffer = new FileStreamBuffer(consoleFile);
    init(consoleBuffer);
    setf(std::ios_base::unitbuf);
}

void LogConsole::Close() {
    if (consoleHandle == INVALID_HANDLE_VALUE) return;

    // The standard stream initialisation: locale, tie, exception mask, state and formatting
    // all go back to what a new stream has, so nothing set while open outlives the console.
    init(&nullBuffer);
    FreeConsole();
    std::fclose(consoleFile);
    consoleFile = nullptr;
    consoleHandle = INVALID_HANDLE_VALUE;
    delete consoleBuffer;
    consoleBuffer = nullptr;
}

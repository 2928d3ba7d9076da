// What kind of file the user named, told from its first bytes (not from its
// name), and the reading of other spreadsheet formats through LibreOffice,
// which converts them into a temporary .xlsx package.
#include "host/file_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/zipfile.h"

namespace host {

namespace {

namespace fs = std::filesystem;

bool startsWith(const std::string& s, const char* head, size_t n) {
    return s.size() >= n && std::memcmp(s.data(), head, n) == 0;
}

std::string lowerExtension(const std::string& path) {
    std::string e = fs::path(path).extension().string();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

FileKind zipKind(const std::string& path) {
    ZipFile z;
    std::string ignored;
    if (!z.open(path, ignored)) return {FileKind::Xlsx, ""};  // the reader says why
    bool contentTypes = false, xl = false, word = false, ppt = false, mimetype = false;
    for (const std::string& n : z.names()) {
        contentTypes = contentTypes || n == "[Content_Types].xml";
        xl = xl || n.rfind("xl/", 0) == 0;
        word = word || n.rfind("word/", 0) == 0;
        ppt = ppt || n.rfind("ppt/", 0) == 0;
        mimetype = mimetype || n == "mimetype";
    }
    if (mimetype) {
        std::string type;
        z.read("mimetype", type, ignored);
        if (type == "application/vnd.oasis.opendocument.spreadsheet")
            return {FileKind::Convert, "an OpenDocument spreadsheet (.ods)", ".ods"};
        if (type.find("opendocument.text") != std::string::npos)
            return {FileKind::Other, "an OpenDocument text document"};
        if (type.find("opendocument.presentation") != std::string::npos)
            return {FileKind::Other, "an OpenDocument presentation"};
        return {FileKind::Other, "an OpenDocument file that is not a spreadsheet"};
    }
    if (contentTypes && !xl && word) return {FileKind::Other, "a word-processing document (.docx)"};
    if (contentTypes && !xl && ppt) return {FileKind::Other, "a presentation (.pptx)"};
    if (contentTypes || xl) return {FileKind::Xlsx, ""};
    return {FileKind::Other, "a zip archive that holds no workbook"};
}

}  // namespace

FileKind fileKind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(8192, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    const std::string ext = lowerExtension(path);
    if (startsWith(head, "PK\x03\x04", 4) || startsWith(head, "PK\x05\x06", 4))
        return zipKind(path);
    if (startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        if (ext == ".doc") return {FileKind::Other, "a word-processing document (.doc)"};
        if (ext == ".ppt") return {FileKind::Other, "a presentation (.ppt)"};
        return {FileKind::Convert, "a workbook in the older binary format (.xls)", ".xls"};
    }
    static const struct {
        const char* magic;
        size_t size;
        const char* what;
    } kKnown[] = {
        {"%PDF", 4, "a PDF document"},
        {"\x89PNG", 4, "a PNG picture"},
        {"\xFF\xD8\xFF", 3, "a JPEG picture"},
        {"GIF8", 4, "a GIF picture"},
        {"\x7F"
         "ELF",
         4, "a program"},
        {"\x1F\x8B", 2, "a gzip archive"},
        {"7z\xBC\xAF", 4, "a 7-Zip archive"},
        {"Rar!", 4, "a RAR archive"},
        {"BZh", 3, "a bzip2 archive"},
        {"{\\rtf", 5, "an RTF document"},
    };
    for (const auto& k : kKnown)
        if (startsWith(head, k.magic, k.size)) return {FileKind::Other, k.what};
    size_t first = startsWith(head, "\xEF\xBB\xBF", 3) ? 3 : 0;
    while (first < head.size() && std::isspace(static_cast<unsigned char>(head[first]))) ++first;
    if (first < head.size() && head[first] == '<') {
        if (head.find("office:document") != std::string::npos)
            return {FileKind::Convert, "a flat OpenDocument spreadsheet (.fods)", ".fods"};
        if (head.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string::npos)
            return {FileKind::Convert, "an XML spreadsheet", ".xml"};
        std::string lower = head.substr(first, 512);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find("<html") != std::string::npos || lower.find("<!doctype html") == 0)
            return {FileKind::Other, "a web page (HTML)"};
        if (lower.rfind("<?xml", 0) == 0)
            return {FileKind::Other, "an XML file that is no workbook"};
    }
    if (head.find('\0') != std::string::npos)
        return {FileKind::Other, "a binary file of a kind not known here"};
    return {FileKind::Text, ""};
}

namespace {

// The LibreOffice program: $QUORANT_SOFFICE, else soffice on the PATH.
std::string officeProgram() {
    const char* chosen = std::getenv("QUORANT_SOFFICE");
    std::string name = chosen && *chosen ? chosen : "soffice";
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
    const char* pathVar = std::getenv("PATH");
    std::string paths = pathVar ? pathVar : "";
    for (size_t at = 0; at <= paths.size();) {
        size_t end = paths.find(':', at);
        if (end == std::string::npos) end = paths.size();
        std::string dir = paths.substr(at, end - at);
        std::string full = (dir.empty() ? "." : dir) + "/" + name;
        if (access(full.c_str(), X_OK) == 0) return full;
        at = end + 1;
    }
    return "";
}

std::string lastLine(const std::string& file) {
    std::ifstream in(file);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty() && line.find("javaldx") == std::string::npos) last = line;
    return last;
}

}  // namespace

std::unique_ptr<Workbook> readConverted(Model& m, const std::string& path, const FileKind& kind,
                                        std::string& error) {
    auto fail = [&](const std::string& why) {
        error = "The file " + path + " cannot be opened: " + why + ".";
        return nullptr;
    };
    const std::string program = officeProgram();
    if (program.empty())
        return fail("it is " + kind.what +
                    ", which is read through LibreOffice, and LibreOffice (soffice) is not "
                    "installed; install it (scripts/install-deps) or save the file as .xlsx");
    std::error_code ec;
    char dirTemplate[] = "/tmp/quorant-convert-XXXXXX";
    if (!mkdtemp(dirTemplate)) return fail("no temporary folder can be made for converting it");
    const std::string dir = dirTemplate;
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code e;
            fs::remove_all(dir, e);
        }
    } cleanup{dir};
    const std::string outDir = dir + "/out", log = dir + "/soffice.log";
    fs::create_directories(outDir, ec);
    // LibreOffice picks its reader by the name: a copy named for its kind.
    const std::string input = dir + "/input" + kind.extension;
    if (!fs::copy_file(path, input, ec)) return fail("it cannot be copied for converting");
    // A profile of its own: other LibreOffice processes may run at the same time.
    const std::string profile = "-env:UserInstallation=file://" + dir + "/profile";
    std::vector<std::string> args = {program,       profile,        "--headless",
                                     "--norestore", "--convert-to", "xlsx:Calc MS Excel 2007 XML",
                                     "--outdir",    outDir,         input};
    pid_t child = fork();
    if (child < 0) return fail("LibreOffice cannot be started");
    if (child == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string converted = outDir + "/" + fs::path(input).stem().string() + ".xlsx";
    if (!fs::exists(converted, ec)) {
        std::string detail = lastLine(log);
        return fail("it is " + kind.what + ", and LibreOffice could not convert it to .xlsx" +
                    (detail.empty() ? "" : " (" + detail + ")"));
    }
    std::string why;
    auto book = readXlsx(m, converted, why);
    if (!book) {
        // The reader names the temporary file; the user knows theirs.
        const std::string prefix = "The workbook " + converted + " cannot be opened: ";
        if (why.rfind(prefix, 0) == 0) why = why.substr(prefix.size());
        if (!why.empty() && why.back() == '.') why.pop_back();
        return fail("LibreOffice converted it, and the result " +
                    (why.empty() ? std::string("cannot be read") : why));
    }
    return book;
}

}  // namespace host

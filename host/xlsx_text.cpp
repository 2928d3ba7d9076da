// Texts of workbook packages: escapes inside strings and the number formats
// that have numbers instead of codes.
#include "host/xlsx_text.h"

namespace host {

// Decodes _xHHHH_ escapes of texts in packages.
std::string decodeEscapes(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            unsigned code = 0;
            bool hex = true;
            for (size_t k = i + 2; k < i + 6; ++k) {
                char c = s[k];
                code <<= 4;
                if (c >= '0' && c <= '9')
                    code |= static_cast<unsigned>(c - '0');
                else if (c >= 'a' && c <= 'f')
                    code |= static_cast<unsigned>(c - 'a' + 10);
                else if (c >= 'A' && c <= 'F')
                    code |= static_cast<unsigned>(c - 'A' + 10);
                else
                    hex = false;
            }
            if (hex) {
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

const char* builtinFormat(int id) {
    switch (id) {
        case 1:
            return "0";
        case 2:
            return "0.00";
        case 3:
            return "#,##0";
        case 4:
            return "#,##0.00";
        case 9:
            return "0%";
        case 10:
            return "0.00%";
        case 11:
            return "0.00E+00";
        case 12:
            return "# ?/?";
        case 13:
            return "# ?\?/?\?";
        case 14:
            return "mm-dd-yy";
        case 15:
            return "d-mmm-yy";
        case 16:
            return "d-mmm";
        case 17:
            return "mmm-yy";
        case 18:
            return "h:mm AM/PM";
        case 19:
            return "h:mm:ss AM/PM";
        case 20:
            return "h:mm";
        case 21:
            return "h:mm:ss";
        case 22:
            return "m/d/yy h:mm";
        case 37:
            return "#,##0 ;(#,##0)";
        case 38:
            return "#,##0 ;[Red](#,##0)";
        case 39:
            return "#,##0.00;(#,##0.00)";
        case 40:
            return "#,##0.00;[Red](#,##0.00)";
        case 45:
            return "mm:ss";
        case 46:
            return "[h]:mm:ss";
        case 47:
            return "mmss.0";
        case 48:
            return "##0.0E+0";
        case 49:
            return "@";
        default:
            return "";
    }
}

}  // namespace host

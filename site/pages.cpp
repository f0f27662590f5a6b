#include "pages.h"

#include "catalog.h"
#include "platform/text/percent.h"

namespace site {
namespace {

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

// True when text[i] == '&' starts something a browser reads as a character
// reference: "&#...", "&name;" or one of the references that need no ';'.
bool startsReference(std::string_view text, size_t i) {
    std::string_view rest = text.substr(i + 1);
    if (!rest.empty() && rest[0] == '#') return true;
    size_t n = 0;
    while (n < rest.size() && isAlnum(rest[n])) ++n;
    if (n == 0) return false;
    if (n < rest.size() && rest[n] == ';') return true;
    for (std::string_view legacy : {"amp", "lt", "gt", "quot", "nbsp", "copy", "reg"})
        if (rest.substr(0, legacy.size()) == legacy) return true;
    return false;
}

const char kStyle[] =
    "<style>body{font-family:sans-serif;background:#111;color:#ccc;margin:2em}"
    "a{color:#8cf}form{margin-bottom:1.5em}input[type=text]{width:24em}"
    ".results{line-height:1.6;font-family:monospace}</style>";

std::string searchForm(std::string_view queryUtf8) {
    return "<form action=\"search.php\" method=\"get\" accept-charset=\"utf-8\">"
           "<input type=\"hidden\" name=\"p\" value=\"1\"><input type=\"hidden\" name=\"v\" value=\"0\">"
           "<input type=\"text\" name=\"q\" value=\"" +
           htmlEscape(queryUtf8) + "\" autofocus> <input type=\"submit\" value=\"Найти\"></form>\n";
}

std::string pageHead(std::string_view titleUtf8) {
    return "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>" +
           htmlEscape(titleUtf8) + "</title>" + kStyle + "</head>\n<body>\n";
}

}  // namespace

std::string urlEncode(std::string_view bytes) {
    return text::percentEncode(bytes, [](unsigned char c) {
        return isAlnum(char(c)) || c == '-' || c == '.' || c == '_' || c == '~';
    });
}

std::string htmlEscape(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string anchorText(const Track& t) {
    std::string raw = t.artist.empty() ? t.title : t.artist + " - " + t.title;
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        switch (c) {
            case '"':
                out += '\'';
                break;
            case '<':
                out += '(';
                break;
            case '>':
                out += ')';
                break;
            case '&':
                out += startsReference(raw, i) ? "&amp;" : "&";
                break;
            default:
                out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

std::string trackDetails(const Track& t) {
    std::string out;
    if (t.seconds > 0) {
        int s = t.seconds % 60;
        out += std::to_string(t.seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
    }
    if (t.kbps > 0) {
        if (!out.empty()) out += ' ';
        out += std::to_string(t.kbps) + " kbit/s";
    }
    return out;
}

std::string trackAddress(std::string_view base, const Track& t) {
    return std::string(base) + "f/" + formatId(t.id) + "/" + urlEncode(t.fileName);
}

std::string resultsPage(std::string_view base, std::string_view queryUtf8,
                        const std::vector<const Track*>& hits) {
    std::string page = pageHead(std::string("Поиск: ") + std::string(queryUtf8) + " — Kestrel");
    page += "<p><a href=\"/\">Kestrel</a></p>\n" + searchForm(queryUtf8);
    page += hits.empty() ? std::string("<p>Ничего не найдено.</p>\n")
                         : "<p>Найдено: " + std::to_string(hits.size()) + "</p>\n";
    // One result per line, exactly as the player reads it.
    page += "<div class=\"results\">\n";
    for (size_t i = 0; i < hits.size(); ++i) {
        const Track& t = *hits[i];
        std::string details = trackDetails(t);
        page += std::to_string(i + 1) + ". <a href=\"" + trackAddress(base, t) + "\">" + anchorText(t) +
                "</a>" + (details.empty() ? "" : " " + details) + "<BR>\n";
    }
    page += "</div>\n</body></html>\n";
    return page;
}

std::string rootPage(size_t trackCount) {
    std::string page = pageHead("Kestrel — поиск музыки");
    page += "<h1>Kestrel — поиск музыки</h1>\n" + searchForm("");
    page += "<p>Файлов в библиотеке: " + std::to_string(trackCount) + "</p>\n</body></html>\n";
    return page;
}

std::string messagePage(std::string_view titleUtf8, std::string_view messageUtf8) {
    std::string page = pageHead(titleUtf8);
    page += "<h1>" + htmlEscape(titleUtf8) + "</h1>\n<p>" + htmlEscape(messageUtf8) +
            "</p>\n<p><a href=\"/\">На главную</a></p>\n</body></html>\n";
    return page;
}

}  // namespace site

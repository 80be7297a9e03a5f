#include "server/WatchPage.h"

#include "server/WebText.h"
#include "server/WorldPage.h"

namespace ScoreServer {

std::string WatchPath(std::int64_t scoreId)
{
    return kWatchPath + std::to_string(scoreId);
}

std::string RenderWatchPage(const TOnlineType& type, const TScoreRecord& result)
{
    const std::string name = HtmlEscape(result.Name);
    const std::string typeName = HtmlEscape(type.Name);
    const std::string date = FormatDate(result.SubmittedAt);
    const std::string score = std::to_string(result.Score);
    std::string page;
    page.reserve(4096);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    page += name + ": " + score + " points in " + typeName + " (Tumbletown replay)</title>\n";
    // Everything the first board needs is asked for at once: the module and
    // the replay would otherwise wait for the scripts that fetch them.
    page += "<link rel=\"stylesheet\" href=\"/viewer/viewer.css\">\n"
            "<link rel=\"preload\" href=\"/viewer/rules.wasm\" as=\"fetch\" crossorigin>\n"
            "<link rel=\"preload\" href=\"" +
            HtmlEscape(ReplayPath(result.Id)) +
            "\" as=\"fetch\" crossorigin>\n"
            "<link rel=\"preload\" href=\"/viewer/Balls.png\" as=\"image\">\n"
            "<link rel=\"preload\" href=\"/viewer/Specials.png\" as=\"image\">\n"
            "<script src=\"/viewer/rules.js\" defer></script>\n"
            "<script src=\"/viewer/viewer.js\" defer></script>\n</head>\n<body>\n";
    page += "<main id=\"viewer\" data-replay=\"" + HtmlEscape(ReplayPath(result.Id)) + "\">\n<header>\n";
    page += "<h1><span class=\"name\">" + name + "</span>";
    if (result.Verified)
        page += "<span class=\"verified\" title=\"The server played this replay again and got this score\">"
                "&#x2713; verified</span>";
    page += "</h1>\n<p class=\"facts\"><span class=\"type\">" + typeName + "</span> &middot; <span>" + score +
            " points</span> &middot; <time datetime=\"" + date + "\">" + date +
            "</time> &middot; <a href=\"" + HtmlEscape(WorldPagePath(result.OnlineType)) +
            "\">World high scores</a> &middot; <a href=\"" + HtmlEscape(ReplayPath(result.Id)) +
            "\" download=\"tumbletown-" + std::to_string(result.Id) +
            ".replay\">Download</a></p>\n</header>\n";
    page +=
        "<div class=\"stage\" id=\"stage\">\n<div class=\"well\"><canvas id=\"well\" width=\"208\" "
        "height=\"496\" role=\"img\" aria-label=\"The well\"></canvas><div class=\"over\" id=\"over\" "
        "hidden>GAME OVER</div></div>\n"
        "<aside class=\"panel\">\n<h2>Next</h2><canvas id=\"next\" width=\"80\" height=\"80\" role=\"img\" "
        "aria-label=\"The next figure\"></canvas>\n<dl><dt>Score</dt><dd id=\"score\">0</dd><dt>Level</dt>"
        "<dd id=\"level\">&nbsp;</dd><dt>Lines</dt><dd id=\"lines\">&nbsp;</dd></dl>\n</aside>\n</div>\n";
    page +=
        "<div class=\"controls\">\n"
        "<button id=\"back\" type=\"button\" title=\"One operation back (,)\" disabled>&lsaquo; Step</button>"
        "<button id=\"play\" type=\"button\" title=\"Play or pause (P)\" disabled>Play</button>"
        "<button id=\"forward\" type=\"button\" title=\"One operation on (.)\" disabled>Step "
        "&rsaquo;</button>";
    for (const char* speed : {"1", "2", "4", "8"})
        page += std::string("<button type=\"button\" data-speed=\"") + speed + "\" title=\"" + speed +
                " times the pace (" + speed + ")\" disabled>" + speed + "&times;</button>";
    page += "\n<div class=\"seek\"><input id=\"seek\" type=\"range\" min=\"0\" max=\"0\" value=\"0\" "
            "aria-label=\"Time\" disabled><output id=\"clock\">0:00 / 0:00</output></div>\n</div>\n"
            "<p class=\"keys\">P play or pause &middot; 1 2 4 8 speed &middot; &larr; &rarr; five seconds "
            "&middot; , . one operation</p>\n<p id=\"message\" role=\"status\"></p>\n"
            "</main>\n</body>\n</html>\n";
    return page;
}

} // namespace ScoreServer

#include "server/WorldPage.h"

#include "server/WatchPage.h"
#include "server/WebText.h"

namespace ScoreServer {

namespace {

// The high-score screen's colours: a purple-to-teal night, a navy panel with
// a pale blue rim, striped rows, names on cream, gold title, teal tabs. On a
// phone's width a long name wraps, so that every column stays on screen.
constexpr const char* kStyle = R"(
html { background: #0c2132; }
body { margin: 0; min-height: 100vh; color: #fff;
  font: 16px/1.3 "Liberation Sans", Arial, Helvetica, sans-serif;
  background: linear-gradient(135deg, #241742 0%, #2b1f5c 35%, #16304f 70%, #0c2132 100%); }
main { max-width: 760px; margin: 0 auto; padding: 24px 16px 40px; }
h1 { margin: 8px 0 4px; text-align: center; font-size: 56px; font-weight: bold; letter-spacing: 1px;
  color: #fbbf45; background: linear-gradient(180deg, #fae58c 0%, #f7b13c 60%, #e8892a 100%);
  -webkit-background-clip: text; background-clip: text; -webkit-text-fill-color: transparent;
  filter: drop-shadow(0 3px 2px rgba(20, 10, 30, .8)); }
.sub { text-align: center; margin: 0 0 18px; color: #b5cbd6; font-size: 18px; }
nav { text-align: right; margin: 0 12px 4px 0; }
nav a { display: inline-block; margin-left: 4px; padding: 2px 10px; border-radius: 10px;
  border: 1px solid #b5cbd6; color: #fff; text-decoration: none; font-size: 14px;
  background: linear-gradient(180deg, #5bb2c6 0%, #30789e 100%); }
nav a.selected { background: linear-gradient(180deg, #fae58c 0%, #e8a43a 100%); color: #241742;
  font-weight: bold; }
.panel { background: #0c1228; border: 2px solid #8fb0d8; border-radius: 10px; padding: 10px 12px 12px;
  box-shadow: 0 4px 12px rgba(0, 0, 0, .5); }
table { width: 100%; border-collapse: separate; border-spacing: 0 4px; }
th { color: #d8dce5; font-size: 14px; font-weight: bold; padding: 2px 8px; }
td { padding: 3px 8px; background: #242d58; }
tbody tr:nth-child(even) td { background: #1a2545; }
td:first-child { border-radius: 6px 0 0 6px; }
td:last-child { border-radius: 0 6px 6px 0; }
.rank { width: 64px; text-align: right; font-weight: bold; }
.rank::before { content: ""; display: inline-block; width: 12px; height: 12px; margin-right: 8px;
  border-radius: 6px; vertical-align: -1px; }
tbody tr:nth-child(1) .rank::before { background: #fbd568; }
tbody tr:nth-child(2) .rank::before { background: #d8dce5; }
tbody tr:nth-child(3) .rank::before { background: #d1965e; }
.name span { display: block; padding: 1px 8px; border-radius: 4px; background: #f8ecd2; color: #000;
  white-space: pre; overflow: hidden; text-overflow: ellipsis; max-width: 330px; min-height: 1.3em; }
.score { text-align: center; font-weight: bold; }
.date { text-align: center; color: #b5cbd6; font-size: 14px; }
.empty { text-align: center; color: #b5cbd6; padding: 24px 0; }
.view { text-align: right; margin: 0 12px 8px 0; font-size: 13px; color: #b5cbd6; }
.view a { display: inline-block; margin-left: 4px; padding: 1px 9px; border-radius: 9px; color: #d8dce5;
  text-decoration: none; border: 1px solid #5b7593; }
.view a.selected { border-color: #7fd6a0; color: #fff; background: #1f5a48; font-weight: bold; }
.replay { width: 96px; text-align: center; }
.replay a, .replay span { display: inline-block; padding: 1px 8px; border-radius: 9px; font-size: 13px;
  font-weight: bold; color: #0c2132; text-decoration: none;
  background: linear-gradient(180deg, #a8f0c0 0%, #4fbf7f 100%); }
.replay a::before, .replay span::before { content: "\2713\00a0"; }
.replay a.watch { background: linear-gradient(180deg, #fae58c 0%, #e8a43a 100%); }
.replay a.watch::before { content: "\25B6\00a0"; }
footer { text-align: center; color: #8fa3b8; font-size: 13px; margin-top: 12px; }
@media (max-width: 600px) {
  main { padding: 12px 6px 24px; }
  h1 { font-size: 40px; }
  .panel { padding: 6px 4px 8px; }
  th, td { padding: 3px 4px; }
  .rank { width: auto; }
  .rank::before { display: none; }
  .name span { white-space: pre-wrap; overflow-wrap: anywhere; max-width: none; padding: 1px 4px; }
  .date { font-size: 12px; }
  .replay { width: auto; }
  .replay a { padding: 1px 5px; font-size: 12px; }
}
)";

} // namespace

std::string WorldPagePath(std::int32_t onlineType, bool verifiedOnly)
{
    return "/cgi/version.pl?prg=Tumbltwn&show&type=" + std::to_string(onlineType) +
           (verifiedOnly ? "&verified" : "");
}

std::string ReplayPath(std::int64_t scoreId)
{
    return "/api/v1/replays/" + std::to_string(scoreId);
}

std::string RenderWorldPage(const TOnlineType& shown, const std::vector<TScoreRecord>& best,
                            bool verifiedOnly, bool watchLinks)
{
    std::string page;
    page.reserve(8192 + best.size() * 200);
    page +=
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Tumbletown world "
        "high scores: ";
    page += HtmlEscape(shown.Name);
    page += "</title>\n<style>";
    page += kStyle;
    page += "</style>\n</head>\n<body>\n<main>\n<h1>High Scores</h1>\n<p class=\"sub\">Tumbletown world high "
            "scores</p>\n<nav>";
    for (const TOnlineType& type : kOnlineTypes) {
        page += "<a href=\"" + HtmlEscape(WorldPagePath(type.Number, verifiedOnly)) + "\"";
        if (type.Number == shown.Number)
            page += " class=\"selected\" aria-current=\"page\"";
        page += ">" + HtmlEscape(type.Name) + "</a>";
    }
    page += "</nav>\n<p class=\"view\">";
    const auto viewLink = [&](bool verified, const char* caption) {
        page += "<a href=\"" + HtmlEscape(WorldPagePath(shown.Number, verified)) + "\"";
        if (verified == verifiedOnly)
            page += " class=\"selected\" aria-current=\"true\"";
        page += std::string(">") + caption + "</a>";
    };
    viewLink(false, "All results");
    viewLink(true, "Verified only");
    page += "</p>\n<div class=\"panel\">\n";
    if (best.empty()) {
        page += verifiedOnly ? "<p class=\"empty\">No verified results yet.</p>\n"
                             : "<p class=\"empty\">No results yet.</p>\n";
    } else {
        page +=
            "<table>\n<thead><tr><th>Rank</th><th>Name</th><th>Score</th><th>Date</th><th>Replay</th></tr></"
            "thead>\n<tbody>\n";
        int rank = 0;
        for (const TScoreRecord& r : best) {
            page += "<tr><td class=\"rank\">" + std::to_string(++rank) + "</td><td class=\"name\"><span>" +
                    HtmlEscape(r.Name) + "</span></td><td class=\"score\">" + std::to_string(r.Score) +
                    "</td><td class=\"date\">" + FormatDate(r.SubmittedAt) + "</td><td class=\"replay\">";
            if (r.Verified && !r.ReplayKept) {
                // Verified once; its replay went with the storage bounds, so
                // there is nothing to download or watch.
                page += "<span class=\"verified\" title=\"Verified: the server played this game's replay "
                        "again and got this score. The replay is no longer kept.\">verified</span>";
            } else if (r.Verified) {
                const std::string id = std::to_string(r.Id);
                page += "<a class=\"verified\" href=\"" + ReplayPath(r.Id) + "\" download=\"tumbletown-" +
                        id +
                        ".replay\" title=\"Verified: the server played this game's replay again and got this "
                        "score. Download the replay to watch it.\">verified</a>";
                if (watchLinks)
                    page += " <a class=\"watch\" href=\"" + WatchPath(r.Id) +
                            "\" title=\"Watch the game in the browser\">Watch</a>";
            }
            page += "</td></tr>\n";
        }
        page += "</tbody>\n</table>\n";
    }
    page += "</div>\n<footer>The best " + std::to_string(kWorldPageRows) +
            " results sent from the game. A verified result was played again by the server from its replay; "
            "its replay plays in the game with tumbletown --replay FILE. Dates are UTC.</footer>\n</main>\n"
            "</body>\n</html>\n";
    return page;
}

std::string RenderScoresJson(const TOnlineType& shown, const std::vector<TScoreRecord>& best,
                             const TScoreRecord* bestVerified)
{
    std::string json =
        "{\"type\":" + std::to_string(shown.Number) + ",\"name\":" + JsonString(shown.Name) + ",\"scores\":[";
    int rank = 0;
    for (const TScoreRecord& r : best) {
        json += rank == 0 ? "{" : ",{";
        json += "\"rank\":" + std::to_string(++rank) + ",\"name\":" + JsonString(r.Name) +
                ",\"score\":" + std::to_string(r.Score) + ",\"date\":\"" + FormatDate(r.SubmittedAt) +
                "\",\"time\":" + std::to_string(r.SubmittedAt) +
                ",\"verified\":" + (r.Verified ? "true" : "false");
        if (r.Verified && r.ReplayKept)
            json += ",\"replay\":\"" + ReplayPath(r.Id) + "\"";
        json += "}";
    }
    json += "],\"bestVerifiedReplay\":";
    json += bestVerified != nullptr ? "\"" + ReplayPath(bestVerified->Id) + "\"" : std::string("null");
    return json + "}\n";
}

} // namespace ScoreServer

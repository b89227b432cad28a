#include "platform/help/helpfile.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "base/exception.h"
#include "base/format.h"
#include "base/text.h"

namespace {

bool ParseNumber(const std::string &s, int &out) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && out >= 0;
}

std::string Escape(const std::string &s) {
  std::string out;
  for (char c : s) {
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
    default:
      out += c;
    }
  }
  return out;
}

// Link targets of a line: each "[[n]]" or "[[n|text]]".
struct Link {
  size_t begin, end;
  int context;
  std::string text;
  bool has_text;
};

std::vector<Link> FindLinks(const std::string &line, std::string &error) {
  std::vector<Link> links;
  size_t pos = 0;
  while ((pos = line.find("[[", pos)) != std::string::npos) {
    size_t close = line.find("]]", pos + 2);
    if (close == std::string::npos) {
      error = "a link has no closing \"]]\"";
      return links;
    }
    std::string inner = line.substr(pos + 2, close - pos - 2);
    size_t bar = inner.find('|');
    Link link{pos, close + 2, 0, {}, bar != std::string::npos};
    if (!ParseNumber(Trim(inner.substr(0, bar)), link.context)) {
      error = "a link must start with a topic number";
      return links;
    }
    if (link.has_text) link.text = inner.substr(bar + 1);
    links.push_back(link);
    pos = close + 2;
  }
  return links;
}

} // namespace

THelpFile THelpFile::Parse(const std::string &text, const std::string &name) {
  THelpFile file;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  std::vector<std::pair<int, int>> links; // (target, line)
  auto fail = [&](const std::string &what) {
    throw Exception(Format("%s line %d: %s", {name, number, what}));
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == ';') continue;
    if (!line.empty() && line[0] == '.') {
      size_t sp = line.find(' ');
      std::string directive = line.substr(0, sp);
      std::string rest = sp == std::string::npos ? "" : Trim(line.substr(sp + 1));
      if (directive == ".title") {
        file.title_ = rest;
      } else if (directive == ".contents") {
        if (!ParseNumber(rest, file.contents_)) fail("\".contents\" needs a topic number");
        links.emplace_back(file.contents_, number);
      } else if (directive == ".topic") {
        size_t sp2 = rest.find(' ');
        THelpTopic topic;
        if (!ParseNumber(rest.substr(0, sp2), topic.Context))
          fail("\".topic\" needs a topic number");
        topic.Title = sp2 == std::string::npos ? "" : Trim(rest.substr(sp2 + 1));
        if (topic.Title.empty()) fail("a topic needs a title");
        if (file.Find(topic.Context)) fail(Format("topic %d is defined twice", {topic.Context}));
        file.topics_.push_back(std::move(topic));
      } else {
        fail("unknown directive \"" + directive + "\"");
      }
      continue;
    }
    if (file.topics_.empty()) {
      if (Trim(line).empty()) continue;
      fail("text before the first \".topic\"");
    }
    std::string error;
    for (const Link &l : FindLinks(line, error))
      links.emplace_back(l.context, number);
    if (!error.empty()) fail(error);
    file.topics_.back().Lines.push_back(line);
  }
  if (file.topics_.empty()) throw Exception(Format("%s has no topics", {name}));
  for (auto [target, at] : links)
    if (!file.Find(target)) {
      number = at;
      fail(Format("topic %d does not exist", {target}));
    }
  return file;
}

THelpFile THelpFile::Load(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw EFOpenError(Format("Cannot open file %s", {path}));
  std::ostringstream text;
  text << f.rdbuf();
  return Parse(text.str(), path);
}

int THelpFile::ContentsContext() const {
  if (contents_ != 0 && Find(contents_)) return contents_;
  return topics_.empty() ? 0 : topics_.front().Context;
}

const THelpTopic *THelpFile::Find(int context) const {
  for (const auto &t : topics_)
    if (t.Context == context) return &t;
  return nullptr;
}

std::string THelpFile::TopicHtml(const THelpTopic &topic) const {
  std::string html = "<h2>" + Escape(topic.Title) + "</h2>\n";
  bool in_list = false, in_para = false;
  auto close_blocks = [&] {
    if (in_para) html += "</p>\n";
    if (in_list) html += "</ul>\n";
    in_para = in_list = false;
  };
  for (const std::string &raw : topic.Lines) {
    std::string line = TrimRight(raw);
    if (line.empty()) {
      close_blocks();
      continue;
    }
    bool item = line.rfind("- ", 0) == 0;
    if (item) line = line.substr(2);
    // Text with the links made into anchors.
    std::string error, body;
    size_t at = 0;
    for (const Link &l : FindLinks(line, error)) {
      body += Escape(line.substr(at, l.begin - at));
      const THelpTopic *target = Find(l.context);
      std::string text = l.has_text ? l.text : target ? target->Title : std::to_string(l.context);
      body += "<a href=\"topic:" + std::to_string(l.context) + "\">" + Escape(text) + "</a>";
      at = l.end;
    }
    body += Escape(line.substr(at));
    if (item) {
      if (in_para) html += "</p>\n", in_para = false;
      if (!in_list) html += "<ul>\n", in_list = true;
      html += "<li>" + body + "</li>\n";
    } else {
      if (in_list) html += "</ul>\n", in_list = false;
      if (!in_para)
        html += "<p>", in_para = true;
      else
        html += " ";
      html += body;
    }
  }
  close_blocks();
  return html;
}

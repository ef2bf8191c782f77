#include "emu/EventQuery.h"

#include <cctype>
#include <vector>

namespace emu {

struct EventQuery::Node {
  enum class Kind { And, Or, EventId, Provider, TimeDiff } kind;
  std::unique_ptr<Node> left, right;
  std::int64_t number = 0;
  std::string text;
};

namespace {

using Node = EventQuery::Node;

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  std::unique_ptr<Node> Parse() {
    auto node = Or();
    SkipBlanks();
    if (at_ != text_.size())
      Fail("unexpected text");
    return node;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw QueryError(what + " at position " + std::to_string(at_) + " of the query");
  }
  void SkipBlanks() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
      ++at_;
  }
  bool Word(const char* word) {
    SkipBlanks();
    const std::string w = word;
    if (text_.compare(at_, w.size(), w) != 0)
      return false;
    const std::size_t end = at_ + w.size();
    // "or" and "and" end at a blank or a parenthesis.
    if (end < text_.size() && std::isalnum(static_cast<unsigned char>(text_[end])))
      return false;
    at_ = end;
    return true;
  }
  std::unique_ptr<Node> Join(Node::Kind kind, std::unique_ptr<Node> left,
                             std::unique_ptr<Node> right) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
  }
  std::unique_ptr<Node> Or() {
    auto left = And();
    while (Word("or"))
      left = Join(Node::Kind::Or, std::move(left), And());
    return left;
  }
  std::unique_ptr<Node> And() {
    auto left = Primary();
    while (Word("and"))
      left = Join(Node::Kind::And, std::move(left), Primary());
    return left;
  }
  std::unique_ptr<Node> Primary() {
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == '(') {
      ++at_;
      auto inner = Or();
      SkipBlanks();
      if (at_ >= text_.size() || text_[at_] != ')')
        Fail("a closing parenthesis is missing");
      ++at_;
      return inner;
    }
    return Path();
  }
  // Reads up to the bracket that closes the path's condition.
  std::unique_ptr<Node> Path() {
    const std::size_t start = at_;
    const auto open = text_.find('[', at_);
    const auto close = text_.find(']', at_);
    if (open == std::string::npos || close == std::string::npos || close < open)
      Fail("a path is expected");
    const std::string path = text_.substr(start, open - start);
    std::string condition = text_.substr(open + 1, close - open - 1);
    at_ = close + 1;
    auto node = std::make_unique<Node>();
    auto value = [&](const char* prefix) -> std::string {
      std::string c;
      for (char ch : condition) {
        if (!std::isspace(static_cast<unsigned char>(ch)))
          c.push_back(ch);
      }
      const std::string p = prefix;
      if (c.rfind(p, 0) != 0)
        Fail("cannot read the condition [" + condition + "]");
      return c.substr(p.size());
    };
    try {
      if (path == "Event/System" && value("EventID=").size()) {
        node->kind = Node::Kind::EventId;
        node->number = std::stoll(value("EventID="));
      } else if (path == "Event/System/Provider") {
        std::string name = value("@Name=");
        if (name.size() < 2 || name.front() != '\'' || name.back() != '\'')
          Fail("a quoted name is expected");
        node->kind = Node::Kind::Provider;
        node->text = name.substr(1, name.size() - 2);
      } else if (path == "Event/System/TimeCreated") {
        node->kind = Node::Kind::TimeDiff;
        node->number = std::stoll(value("timediff(@SystemTime)<="));
      } else {
        Fail("unknown path " + path);
      }
    } catch (const std::invalid_argument&) {
      Fail("a number is expected in [" + condition + "]");
    } catch (const std::out_of_range&) {
      Fail("a number is out of range in [" + condition + "]");
    }
    return node;
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

bool Evaluate(const Node& node, const EventRecord& record, std::int64_t nowMs) {
  switch (node.kind) {
    case Node::Kind::And:
      return Evaluate(*node.left, record, nowMs) && Evaluate(*node.right, record, nowMs);
    case Node::Kind::Or:
      return Evaluate(*node.left, record, nowMs) || Evaluate(*node.right, record, nowMs);
    case Node::Kind::EventId:
      return record.eventId == node.number;
    case Node::Kind::Provider:
      return record.provider == node.text;
    case Node::Kind::TimeDiff:
      return nowMs - record.timeMs <= node.number;
  }
  return false;
}

}  // namespace

EventQuery::EventQuery(const std::string& text) : root_(Parser(text).Parse()) {}
EventQuery::~EventQuery() = default;
EventQuery::EventQuery(EventQuery&&) noexcept = default;

bool EventQuery::Matches(const EventRecord& record, std::int64_t nowMs) const {
  return Evaluate(*root_, record, nowMs);
}

}  // namespace emu

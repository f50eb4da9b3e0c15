// An immutable text that every copy shares: a database's cells name the
// strings of its pool, and one long string of a hostile package may be named
// by a million cells. Held once, a package's tables take memory in
// proportion to the package, not to its cells times its strings.
#pragma once

#include <memory>
#include <string>

namespace msptool {

class SharedText {
 public:
  SharedText() = default;
  SharedText(std::string text)  // NOLINT: a text is a text, shared or not
      : text_(text.empty() ? nullptr : std::make_shared<const std::string>(std::move(text))) {}
  SharedText(const char* text) : SharedText(std::string(text)) {}  // NOLINT

  const std::string& str() const { return text_ ? *text_ : Empty(); }
  operator const std::string&() const { return str(); }  // NOLINT
  bool empty() const { return str().empty(); }
  std::size_t size() const { return str().size(); }
  std::string substr(std::size_t at, std::size_t count = std::string::npos) const {
    return str().substr(at, count);
  }

  // The one copy every sharer holds (null for the empty text): texts of one
  // identity are equal without a look at their bytes.
  const std::string* Identity() const { return text_.get(); }

  friend bool operator==(const SharedText& a, const SharedText& b) {
    return a.text_ == b.text_ || a.str() == b.str();
  }
  friend bool operator==(const SharedText& a, const std::string& b) { return a.str() == b; }
  friend bool operator==(const SharedText& a, const char* b) { return a.str() == b; }
  friend bool operator<(const SharedText& a, const SharedText& b) { return a.str() < b.str(); }
  friend std::string operator+(const std::string& a, const SharedText& b) { return a + b.str(); }
  friend std::string operator+(const SharedText& a, const std::string& b) { return a.str() + b; }
  friend std::string operator+(char a, const SharedText& b) { return a + b.str(); }
  friend std::string operator+(const char* a, const SharedText& b) { return a + b.str(); }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::shared_ptr<const std::string> text_;
};

}  // namespace msptool

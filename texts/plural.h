#pragma once

#include <memory>
#include <optional>
#include <string_view>

namespace quarlo::texts {

// A catalogue's Plural-Forms rule ("nplurals=3; plural=(n%10==1 ? 0 : ...);"),
// C's expression grammar on one unsigned n. Parsed once, evaluated for each
// count; a rule that is too long, too deep, or divides by zero gives no form,
// and the English text is used.
class PluralRule {
  public:
    static std::optional<PluralRule> parse(std::string_view header);
    // The form for n, below count(); nullopt when the rule gives none.
    std::optional<unsigned long> form(unsigned long n) const;
    unsigned long count() const { return count_; }

    struct Node;
    PluralRule();
    ~PluralRule();
    PluralRule(PluralRule&&) noexcept;
    PluralRule& operator=(PluralRule&&) noexcept;

  private:
    std::unique_ptr<Node> root_;
    unsigned long count_ = 2;
};

}  // namespace quarlo::texts

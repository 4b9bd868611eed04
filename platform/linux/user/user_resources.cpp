// Reading the resource script: its #define and #include lines, and its MENU and ICON
// statements, the only kinds the program has.
#include "platform/linux/user/user_resources.h"

#include <cctype>
#include <map>
#include <stdexcept>

namespace voxtrel::user {

namespace {

struct Token {
    enum Kind { Word, String, Comma, Open, Close, End } kind;
    std::string text;
    int line;
};

class Tokenizer {
public:
    Tokenizer(const std::string& text, std::map<std::string, std::string>& defines)
        : defines_(defines) {
        read(text);
        tokens_.push_back({Token::End, "", line_});
    }
    std::vector<Token> tokens() && { return std::move(tokens_); }

private:
    void read(const std::string& text) {
        const int savedLine = line_;
        line_ = 1;
        std::size_t i = 0;
        bool lineStart = true;
        while (i < text.size()) {
            const char c = text[i];
            if (c == '\n') {
                ++line_;
                lineStart = true;
                ++i;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
            } else if (text.compare(i, 2, "//") == 0) {
                i = text.find('\n', i);
                i = i == std::string::npos ? text.size() : i;
            } else if (text.compare(i, 2, "/*") == 0) {
                const std::size_t end = text.find("*/", i + 2);
                for (std::size_t k = i; k < (end == std::string::npos ? text.size() : end); ++k)
                    line_ += text[k] == '\n';
                i = end == std::string::npos ? text.size() : end + 2;
            } else if (c == '#' && lineStart) {
                std::size_t end = text.find('\n', i);
                end = end == std::string::npos ? text.size() : end;
                directive(text.substr(i + 1, end - i - 1));
                i = end;
            } else if (c == '"') {
                std::string value;
                ++i;
                for (;;) {
                    if (i >= text.size())
                        throw std::runtime_error("unterminated string on line " +
                                                 std::to_string(line_));
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') { // "" stands for one quote
                            value += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    value += text[i++];
                }
                tokens_.push_back({Token::String, value, line_});
                lineStart = false;
            } else if (c == ',' || c == '{' || c == '}') {
                tokens_.push_back(
                    {c == ',' ? Token::Comma : (c == '{' ? Token::Open : Token::Close),
                     std::string(1, c), line_});
                ++i;
                lineStart = false;
            } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
                std::size_t end = i;
                while (end < text.size() &&
                       (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
                    ++end;
                std::string word = text.substr(i, end - i);
                tokens_.push_back({word == "BEGIN" ? Token::Open
                                   : word == "END" ? Token::Close
                                                   : Token::Word,
                                   word, line_});
                i = end;
                lineStart = false;
            } else {
                throw std::runtime_error("unexpected '" + std::string(1, c) + "' on line " +
                                         std::to_string(line_));
            }
        }
        line_ = savedLine;
    }

    void directive(const std::string& line) {
        std::size_t i = 0;
        auto word = [&]() {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            return line.substr(start, i - start);
        };
        const std::string name = word();
        if (name == "define") {
            const std::string key = word();
            defines_[key] = word();
        } else if (name == "include") {
            std::string file = word();
            if (file.size() >= 2 && (file.front() == '"' || file.front() == '<'))
                file = file.substr(1, file.size() - 2);
            const EmbeddedFile* embedded = findEmbedded(file);
            if (embedded == nullptr)
                throw std::runtime_error("included file not found: " + file);
            read(std::string(reinterpret_cast<const char*>(embedded->data), embedded->size));
        }
        // Other directives (#pragma, conditionals) do not occur in the program's script.
    }

    std::map<std::string, std::string>& defines_;
    std::vector<Token> tokens_;
    int line_ = 1;
};

class Parser {
public:
    Parser(std::vector<Token> tokens, const std::map<std::string, std::string>& defines)
        : tokens_(std::move(tokens)), defines_(defines) {}

    bool atEnd() const { return tokens_[pos_].kind == Token::End; }

    const Token& take(Token::Kind kind, const char* what) {
        const Token& token = tokens_[pos_];
        if (token.kind != kind)
            throw std::runtime_error(std::string("expected ") + what + " on line " +
                                     std::to_string(token.line) + ", found '" + token.text + "'");
        ++pos_;
        return token;
    }

    bool takeIf(Token::Kind kind, const char* word = nullptr) {
        const Token& token = tokens_[pos_];
        if (token.kind != kind || (word != nullptr && token.text != word))
            return false;
        ++pos_;
        return true;
    }

    unsigned number(const Token& token) const {
        std::string text = token.text;
        for (int depth = 0; depth < 8; ++depth) { // a define may name another define
            auto found = defines_.find(text);
            if (found == defines_.end())
                break;
            text = found->second;
        }
        try {
            std::size_t used = 0;
            const unsigned long value = std::stoul(text, &used, 0);
            if (used == text.size())
                return static_cast<unsigned>(value);
        } catch (const std::exception&) {
        }
        throw std::runtime_error("'" + token.text + "' on line " + std::to_string(token.line) +
                                 " is not a number");
    }

    void options(MenuEntry& entry) {
        while (takeIf(Token::Comma)) {
            const Token& option = take(Token::Word, "an option");
            if (option.text == "CHECKED")
                entry.checked = true;
            else if (option.text == "GRAYED" || option.text == "INACTIVE")
                entry.grayed = true;
        }
    }

    std::vector<MenuEntry> block() {
        take(Token::Open, "BEGIN");
        std::vector<MenuEntry> items;
        while (!takeIf(Token::Close)) {
            const Token& keyword = take(Token::Word, "MENUITEM or POPUP");
            MenuEntry entry;
            if (keyword.text == "MENUITEM") {
                if (takeIf(Token::Word, "SEPARATOR")) {
                    entry.separator = true;
                } else {
                    entry.text = take(Token::String, "a caption").text;
                    take(Token::Comma, "','");
                    entry.id = number(take(Token::Word, "a command id"));
                    options(entry);
                }
            } else if (keyword.text == "POPUP") {
                entry.popup = true;
                entry.text = take(Token::String, "a caption").text;
                options(entry);
                entry.items = block();
            } else {
                throw std::runtime_error("unexpected '" + keyword.text + "' on line " +
                                         std::to_string(keyword.line));
            }
            items.push_back(std::move(entry));
        }
        return items;
    }

private:
    std::vector<Token> tokens_;
    const std::map<std::string, std::string>& defines_;
    std::size_t pos_ = 0;
};

} // namespace

ResourceScript::ResourceScript(const std::string& text) {
    std::map<std::string, std::string> defines;
    Parser parser(Tokenizer(text, defines).tokens(), defines);
    while (!parser.atEnd()) {
        Statement statement;
        statement.id = parser.number(parser.take(Token::Word, "a resource id"));
        statement.kind = parser.take(Token::Word, "a resource type").text;
        if (statement.kind == "MENU") {
            while (parser.takeIf(Token::Word)) { // memory options such as DISCARDABLE
            }
            statement.menu = parser.block();
        } else if (statement.kind == "ICON" || statement.kind == "CURSOR" ||
                   statement.kind == "BITMAP") {
            statement.file = parser.take(Token::String, "a file name").text;
        } else {
            throw std::runtime_error("resource type " + statement.kind + " is not supported");
        }
        statements_.push_back(std::move(statement));
    }
}

std::optional<std::vector<MenuEntry>> ResourceScript::menu(unsigned id) const {
    for (const Statement& statement : statements_) {
        if (statement.kind == "MENU" && statement.id == id)
            return statement.menu;
    }
    return std::nullopt;
}

std::optional<std::string> ResourceScript::iconFile(unsigned id) const {
    for (const Statement& statement : statements_) {
        if (statement.kind == "ICON" && statement.id == id)
            return statement.file;
    }
    return std::nullopt;
}

const EmbeddedFile* findEmbedded(const std::string& name) {
    for (const EmbeddedFile& file : embeddedFiles()) {
        if (name == file.name)
            return &file;
    }
    return nullptr;
}

const ResourceScript& programResources() {
    static const ResourceScript script = [] {
        const EmbeddedFile* file = findEmbedded("resources/voxtrel.rc");
        if (file == nullptr)
            throw std::runtime_error("the resource script is not built in");
        return ResourceScript(std::string(reinterpret_cast<const char*>(file->data), file->size));
    }();
    return script;
}

} // namespace voxtrel::user

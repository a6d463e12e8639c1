#include "StdCtrls.h"

namespace ui {

class TMemo::TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo* memo) : memo_(memo) {}

    int Count() const override { return static_cast<int>(Read().size()); }
    std::string Get(int index) const override {
        auto lines = Read();
        if (index < 0 || index >= static_cast<int>(lines.size()))
            throw Exception("List index out of bounds (" + std::to_string(index) + ")");
        return lines[static_cast<size_t>(index)];
    }
    void Insert(int index, const std::string& s) override {
        auto lines = Read();
        if (index < 0 || index > static_cast<int>(lines.size()))
            throw Exception("List index out of bounds (" + std::to_string(index) + ")");
        lines.insert(lines.begin() + index, s);
        Write(lines);
    }
    void Delete(int index) override {
        auto lines = Read();
        if (index < 0 || index >= static_cast<int>(lines.size()))
            throw Exception("List index out of bounds (" + std::to_string(index) + ")");
        lines.erase(lines.begin() + index);
        Write(lines);
    }
    void Clear() override { Write({}); }

private:
    std::vector<std::string> Read() const {
        std::vector<std::string> lines;
        if (!memo_->HandleAllocated()) return lines;
        std::string ansi = WideToAnsi(WindowText(memo_->Handle()));
        size_t start = 0;
        while (start < ansi.size()) {
            size_t end = ansi.find("\r\n", start);
            if (end == std::string::npos) end = ansi.size();
            lines.push_back(ansi.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }
    void Write(const std::vector<std::string>& lines) {
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i) text += "\r\n";
            text += lines[i];
        }
        SetWindowTextW(memo_->Handle(), AnsiToWide(text).c_str());
        Changed();
    }

    TMemo* memo_;
};

TMemo::TMemo(TComponent* owner) : TWinControl(owner), lines_(std::make_unique<TMemoStrings>(this)) {
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

TStrings& TMemo::Lines() { return *lines_; }

void TMemo::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.BaseClass = L"EDIT";
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_BORDER;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

}  // namespace ui

// The multi-line text field.
#pragma once

#include <memory>

#include "Controls.h"

namespace ui {

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;
    const char* ClassName() const override { return "TMemo"; }

    // The lines live in the text field's window: storing one creates that
    // window, and first its parent's.
    TStrings& Lines();

protected:
    void CreateParams(TCreateParams& params) override;

private:
    class TMemoStrings;
    std::unique_ptr<TMemoStrings> lines_;
};

}  // namespace ui

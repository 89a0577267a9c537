#include <gtest/gtest.h>

#include "wintk/Control.h"

namespace {

TEST(Smoke, FormWithChildrenComesUp)
{
    Control* app = NewApplication("Smoke");
    Control* form = NewForm(app, "Form one");
    form->SetPosition(100, 100)->SetSize(300, 200);
    Control* button = NewButton(form, "&OK");
    button->SetPosition(10, 10);
    Control* label = NewLabel(form, "Label");
    label->SetPosition(10, 40)->SetSize(100, 13);
    GetFont(label);
    SetToolField(GetFont(label), 4, -11);
    ASSERT_TRUE(app->CreateWindow());
    ASSERT_NE(form->Handle, nullptr);
    ASSERT_NE(button->Handle, nullptr);
    EXPECT_TRUE(IsWindowVisible(form->Handle));
    char cls[64];
    GetClassNameA(button->Handle, cls, 64);
    EXPECT_STREQ(cls, "obj_BUTTON");
    EXPECT_EQ(GetDlgCtrlID(button->Handle), 0x8000);
    app->ProcessMessages();
    EXPECT_EQ(form->Caption(), "Form one");
    RECT r;
    GetWindowRect(form->Handle, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.right - r.left, 300);
    Free(app);
}

} // namespace

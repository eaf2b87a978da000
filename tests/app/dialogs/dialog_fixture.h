#pragma once
// Dialog tests: the real dialogs under the test program's Xvfb, on an engine started from the
// simulated board's file over the in-process simulated chip; the user's settings in a fresh
// hive file per test.

#include <QApplication>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "dialog_support.h"
#include "engine_commands.h"
#include "engine_fixture.h"
#include "w83627ehf.h"

class DialogFixture : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        UseSimBoardFile();
    }
    void TearDown() override {
        engine.reset();
        EngineFixture::TearDown();
    }
    // Board file edits and the processor count come before.
    void StartEngine() {
        engine = Start();
        ASSERT_FALSE(engine->Items().empty());
    }
    // The dialogs' commands, carried out on the test's engine as the session does.
    IMonitorCommands& Source() { return commands; }
    CSensorItem* Item(const std::string& name) const {
        for (const auto& item : engine->Items())
            if (item->GetName() == name)
                return item.get();
        ADD_FAILURE() << "no item " << name;
        return nullptr;
    }
    // "UNIT" as the hive file on disk holds it.
    std::optional<std::string> StoredUnit() const {
        return Hive().GetString("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "UNIT");
    }
    // A beep bit of the chip's first beep mask register: VCORE is bit 0, VIN0 bit 1.
    bool ChipBeepBit(int bit) {
        uint8_t b[4] = {0, 0, 0, 0};
        EXPECT_GE(chip.ReadBeepMasks(b), 1);
        return (b[0] >> bit & 1) != 0;
    }
    bool ChipGlobalBeep() {
        return board->Execute("status").find("global beep: on") != std::string::npos;
    }
    template <class T>
    T* Child(QWidget* parent, const std::string& name) {
        T* child = parent->findChild<T*>(QString::fromStdString(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // Runs `open`, which shows a modal dialog and returns when it closes, and `act` on that
    // dialog once it is up. A dialog that `act` leaves open is closed, and the test fails.
    template <class T>
    void WhileModal(const std::function<void()>& open, const std::function<void(T*)>& act) {
        bool acted = false;
        int polls = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            T* dialog = qobject_cast<T*>(modal);
            if (dialog == nullptr || !dialog->isVisible()) {
                if (++polls > 3000 && modal != nullptr) {
                    ADD_FAILURE() << "another modal window came up";
                    modal->close();
                }
                return;
            }
            poll.stop();
            acted = true;
            act(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                dialog->close();
            }
        });
        poll.start(10);
        open();
        poll.stop();
        EXPECT_TRUE(acted) << "no modal dialog of the expected kind";
    }

    std::unique_ptr<CMonitorEngine> engine;
    CEngineCommands commands{[this] { return engine.get(); }};
    CW83627EHF chip{io};
};

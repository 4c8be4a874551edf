#include "tests/FolderContents.h"
#include "tests/PresetUiTestSupport.h"
#include "tests/TempHome.h"
#include "tests/WindowTestSupport.h"

#include "processor/EmberLashAudioProcessor.h"

#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace preset_ui_test;

namespace
{
    // One line of a popup as the framework will show it.
    struct Row
    {
        enum Kind { header, item, separator, subMenu };

        Kind kind;
        juce::String text;
        int id = 0;
        bool enabled = true, ticked = false;
        std::vector<Row> children;
    };

    std::vector<Row> rowsOf (const juce::PopupMenu& menu)
    {
        std::vector<Row> rows;
        juce::PopupMenu::MenuItemIterator it (menu);

        while (it.next())
        {
            const auto& item = it.getItem();
            Row row { Row::item, item.text, item.itemID, item.isEnabled, item.isTicked, {} };

            if (item.isSectionHeader)
                row.kind = Row::header;
            else if (item.isSeparator)
                row.kind = Row::separator;
            else if (item.subMenu != nullptr)
            {
                row.kind = Row::subMenu;
                row.children = rowsOf (*item.subMenu);
            }

            rows.push_back (std::move (row));
        }

        return rows;
    }

    juce::StringArray tickedItems (const std::vector<Row>& rows)
    {
        juce::StringArray ticked;
        for (const auto& row : rows)
            if (row.ticked)
                ticked.add (row.text);
        return ticked;
    }

    // A popup stays open only while one of the program's windows has the
    // keyboard focus, as it would under a window manager.
    void takeFocus (juce::Component& window)
    {
        window.toFront (true);
        pumpMessages (50);
    }

    juce::Component* openPopupWindow()
    {
        auto& desktop = juce::Desktop::getInstance();
        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* c = desktop.getComponent (i); c != nullptr && c->getName() == "menu" && c->isVisible())
                return c;
        return nullptr;
    }

    // The menu bar on the screen, as in the plug-in window, so that popups can open.
    struct MenuFixture : testing::Test
    {
        MenuFixture()
        {
            bar.setSize (1304, 73);
            bar.setPresettableProcessor (&fake);
        }

        void show()
        {
            bar.addToDesktop (0);
            bar.setVisible (true);
            takeFocus (bar);
        }

        void TearDown() override
        {
            juce::PopupMenu::dismissAllActiveMenus();
            closeAllDialogs();
        }

        RecordingPresets fake;
        MenuBar bar;
        PresetUiTestAccess access { bar };
    };
}

//==============================================================================
TEST (PresetsMenuItems, FactoryPresetsOnlyWhenThereAreNoUserPresets)
{
    testing_support::TempHome home;
    EmberLashAudioProcessor processor;
    MenuBar bar;
    bar.setPresettableProcessor (&processor);
    PresetUiTestAccess access (bar);

    const auto rows = rowsOf (access.buildPresetsMenu());
    const auto names = processor.getFactoryPresetNames();
    ASSERT_EQ (names.size(), 14);
    ASSERT_EQ (rows.size(), 15u);

    EXPECT_EQ (rows[0].kind, Row::header);
    EXPECT_EQ (rows[0].text, "Factory Presets");

    for (int i = 0; i < names.size(); ++i)
    {
        const auto& row = rows[(size_t) i + 1];
        EXPECT_EQ (row.kind, Row::item);
        EXPECT_EQ (row.text, names[i]);
        EXPECT_EQ (row.id, 1000 + i);
        EXPECT_TRUE (row.enabled);
        EXPECT_FALSE (row.ticked) << "nothing is current";
    }
}

TEST (PresetsMenuItems, UserPresetsAsSubMenusAfterASeparator)
{
    testing_support::TempHome home;
    EmberLashAudioProcessor processor;
    for (const auto* name : { "beta", "Alpha", "Gamma" })
        ASSERT_TRUE (processor.saveUserPreset (name));

    MenuBar bar;
    bar.setPresettableProcessor (&processor);
    PresetUiTestAccess access (bar);

    const auto rows = rowsOf (access.buildPresetsMenu());
    ASSERT_EQ (rows.size(), 15u + 2u + 3u);
    EXPECT_EQ (rows[15].kind, Row::separator);
    EXPECT_EQ (rows[16].kind, Row::header);
    EXPECT_EQ (rows[16].text, "User Presets");

    // In the order the processor lists them (sorted ignoring case), never ticked
    // although the last one saved is the current preset.
    const char* expected[] = { "Alpha", "beta", "Gamma" };

    for (int i = 0; i < 3; ++i)
    {
        const auto& entry = rows[(size_t) i + 17];
        SCOPED_TRACE (expected[i]);
        EXPECT_EQ (entry.kind, Row::subMenu);
        EXPECT_EQ (entry.text, expected[i]);
        EXPECT_TRUE (entry.enabled);
        EXPECT_FALSE (entry.ticked);

        ASSERT_EQ (entry.children.size(), 3u);
        const std::pair<const char*, int> actions[] = { { "Load", 2000 }, { "Rename", 5000 }, { "Delete", 8000 } };
        for (size_t a = 0; a < 3; ++a)
        {
            EXPECT_EQ (entry.children[a].kind, Row::item);
            EXPECT_EQ (entry.children[a].text, actions[a].first);
            EXPECT_EQ (entry.children[a].id, actions[a].second + i);
            EXPECT_TRUE (entry.children[a].enabled);
            EXPECT_FALSE (entry.children[a].ticked);
        }
    }

    EXPECT_TRUE (tickedItems (rows).isEmpty());
}

// Only what the preset operations can reach is offered: no FIFO, device,
// folder or upper-case extension; an oversized file is offered but does not load.
TEST (PresetsMenuItems, OnlyPresetsTheOperationsReachAreListed)
{
    testing_support::TempHome home;
    EmberLashAudioProcessor processor;
    ASSERT_TRUE (processor.saveUserPreset ("Lead"));
    processor.setCurrentPreset ("Lead", true, true);

    const auto path = [&home] (const char* name) { return home.presets().getChildFile (name).getFullPathName().toStdString(); };
    ASSERT_TRUE (home.presets().getChildFile ("Upper.XML").replaceWithText ("<PARAMETERS/>"));
    ASSERT_EQ (mkfifo (path ("Special.xml").c_str(), 0644), 0);
    ASSERT_EQ (symlink ("/dev/zero", path ("Zero.xml").c_str()), 0);
    ASSERT_TRUE (home.presets().getChildFile ("Folder.xml").createDirectory().wasOk());
    ASSERT_TRUE (testing_support::makeSparseFile (home.presets().getChildFile ("Huge.xml"), 400 * 1024 * 1024));
    const auto start = testing_support::folderContents (home.presets());

    MenuBar bar;
    bar.setPresettableProcessor (&processor);
    PresetUiTestAccess access (bar);

    juce::StringArray offered;
    for (const auto& row : rowsOf (access.buildPresetsMenu()))
        if (row.kind == Row::subMenu)
            offered.add (row.text);
    ASSERT_EQ (offered, juce::StringArray ({ "Huge", "Lead" }));

    access.handlePresetsMenuResult (2000);
    EXPECT_EQ (processor.getCurrentPresetDisplayName(), "Lead *") << "Huge did not load";
    EXPECT_EQ (testing_support::folderContents (home.presets()), start);

    access.handlePresetsMenuResult (2001);
    EXPECT_EQ (processor.getCurrentPresetDisplayName(), "Lead");
}

TEST (PresetsMenuItems, TickRuleFollowsTheCurrentPreset)
{
    testing_support::TempHome home;
    EmberLashAudioProcessor processor;
    MenuBar bar;
    bar.setPresettableProcessor (&processor);
    PresetUiTestAccess access (bar);

    const auto ticked = [&] { return tickedItems (rowsOf (access.buildPresetsMenu())); };

    processor.loadFactoryPreset ("Chugs");
    EXPECT_EQ (ticked(), juce::StringArray ("Chugs"));

    // Still ticked once modified: the flag plays no part.
    auto* bite = processor.valueTreeState.getParameter ("bite");
    bite->setValueNotifyingHost (0.9f);
    ASSERT_EQ (processor.getCurrentPresetDisplayName(), "Chugs *");
    EXPECT_EQ (ticked(), juce::StringArray ("Chugs"));

    // A name that differs only in letter case is not the item's name.
    processor.loadFactoryPreset ("chugs");
    EXPECT_TRUE (ticked().isEmpty());

    // A user preset of a factory preset's name is current as a user preset.
    ASSERT_TRUE (processor.saveUserPreset ("Chugs"));
    ASSERT_TRUE (processor.isCurrentPresetUser());
    EXPECT_TRUE (ticked().isEmpty());

    processor.clearCurrentPreset();
    EXPECT_TRUE (ticked().isEmpty());
}

TEST_F (MenuFixture, SizesFollowTheBarHeight)
{
    struct Case { int barHeight, minimumWidth, itemHeight; };
    const Case cases[] = { { 68, 272, 22 }, { 40, 180, 13 }, { 73, 292, 24 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.barHeight);
        bar.setSize (1000, c.barHeight);

        // Refreshed before each showing, whatever the sizes were left at.
        access.menuLookAndFeel().updateSizes (10.0f);
        bar.showPresetsMenu();
        EXPECT_EQ (access.menuLookAndFeel().getItemHeight(), c.itemHeight);
        EXPECT_FLOAT_EQ (access.menuLookAndFeel().getMenuFontHeight(), 0.28f * (float) c.barHeight);
        EXPECT_FLOAT_EQ (access.menuLookAndFeel().getHeaderFontHeight(), 0.32f * (float) c.barHeight);
        juce::PopupMenu::dismissAllActiveMenus();
        pumpMessages (30);

        const auto options = access.presetsMenuOptions();
        EXPECT_EQ (options.getTargetComponent(), &access.presetButton());
        EXPECT_EQ (options.getMinimumWidth(), c.minimumWidth);
        EXPECT_EQ (options.getStandardItemHeight(), c.itemHeight);
    }
}

TEST_F (MenuFixture, ShownPopupUsesTheMenuLookAndAFactoryItemIsChosenWithTheKeyboard)
{
    show();
    fake.user = { "A" };

    bar.showPresetsMenu();
    pumpMessages (60);

    auto* popup = openPopupWindow();
    ASSERT_NE (popup, nullptr) << "no popup opened";
    EXPECT_EQ (&popup->getLookAndFeel(), &access.menuLookAndFeel());
    EXPECT_GE (popup->getWidth(), 292);

    // Down to the first item (the header is skipped), then Return.
    auto* peer = popup->getPeer();
    ASSERT_NE (peer, nullptr);
    peer->handleKeyPress (juce::KeyPress (juce::KeyPress::downKey));
    pumpMessages (30);
    peer->handleKeyPress (juce::KeyPress (juce::KeyPress::returnKey));
    pumpMessages (100);

    EXPECT_EQ (openPopupWindow(), nullptr);
    EXPECT_EQ (fake.calls, juce::StringArray ("loadFactory Studio Tight"));
}

TEST_F (MenuFixture, DismissedPopupDoesNothing)
{
    show();
    bar.showPresetsMenu();
    pumpMessages (60);
    ASSERT_NE (openPopupWindow(), nullptr);

    const auto listCalls = fake.userListCalls;
    {
        auto* peer = openPopupWindow()->getPeer();
        ASSERT_NE (peer, nullptr);
        peer->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
        pumpMessages (100);
    }

    EXPECT_EQ (openPopupWindow(), nullptr);
    EXPECT_TRUE (fake.calls.isEmpty());
    EXPECT_EQ (fake.userListCalls, listCalls) << "a dismissed popup fetches nothing";
    EXPECT_EQ (numModalComponents(), 0);
}

TEST_F (MenuFixture, NothingWithoutAProcessor)
{
    show();
    bar.setPresettableProcessor (nullptr);
    bar.showPresetsMenu();
    pumpMessages (60);
    EXPECT_EQ (openPopupWindow(), nullptr);

    access.handlePresetsMenuResult (1000);
    EXPECT_TRUE (fake.calls.isEmpty());
}

TEST_F (MenuFixture, LongNamesFitTheShownPopup)
{
    show();
    const auto longName = juce::String::repeatedString ("Abcdefghi ", 5) + "Xyzw";
    fake.factory = { "Studio Tight", "Factory " + longName };
    fake.currentName = "Factory " + longName;   // ticked: drawn bold
    fake.user = { "A", longName };

    // The bar of the smallest editor, and of a large one.
    for (const auto& size : { juce::Point<int> (500, 28), juce::Point<int> (1304, 73) })
    {
        SCOPED_TRACE (size.toString());
        bar.setSize (size.x, size.y);
        bar.showPresetsMenu();
        pumpMessages (60);

        auto* popup = openPopupWindow();
        ASSERT_NE (popup, nullptr);
        const auto image = popup->createComponentSnapshot (popup->getLocalBounds(), true, 1.0f);
        window_test::save (image, "popup-long-names-bar-" + juce::String (size.y));

        // Measured in the fonts drawn, the longest texts fit the text areas
        // of the popup's one column, beside the arrow where there is one.
        auto& look = access.menuLookAndFeel();
        const auto border = look.getPopupMenuBorderSize();
        const juce::Rectangle<int> item (0, 0, popup->getWidth(), look.getItemHeight());
        EXPECT_LE (juce::GlyphArrangement::getStringWidth (look.getItemFont (true), fake.currentName),
                   MenuBarLookAndFeel::getItemTextArea (item, false).getWidth());
        EXPECT_LE (juce::GlyphArrangement::getStringWidth (look.getItemFont (false), longName),
                   MenuBarLookAndFeel::getItemTextArea (item, true).getWidth());

        // The bottom row, the long user preset: its text drawn whole from
        // where the item's text starts, then a gap, then the arrow.
        const auto rowTop = popup->getHeight() - border - look.getItemHeight();
        std::vector<bool> inked ((size_t) popup->getWidth(), false);
        for (int y = rowTop; y < popup->getHeight() - border; ++y)
            for (int x = border + 1; x < popup->getWidth() - border - 1; ++x)
                inked[(size_t) x] = inked[(size_t) x] || window_test::isBright (image.getPixelAt (x, y));

        // From the right: blank, the arrow, the gap, the text.
        const auto leftOf = [&inked] (int x, bool ink)
        {
            while (x > 0 && inked[(size_t) x - 1] == ink)
                --x;
            return x;
        };
        const auto arrowStart = leftOf (leftOf (popup->getWidth(), false), true);
        const auto textEnd = leftOf (arrowStart, false);

        EXPECT_GE (arrowStart - textEnd, 2) << "no gap between the text and the arrow";
        EXPECT_GE ((float) textEnd, MenuBarLookAndFeel::getItemTextArea (item, true).getX()
                                        + juce::GlyphArrangement::getStringWidth (look.getItemFont (false), longName) - 3.0f)
            << "the name is cut short";

        juce::PopupMenu::dismissAllActiveMenus();
        pumpMessages (30);
    }
}

//==============================================================================
TEST_F (MenuFixture, ResultsDecodedByRangeAgainstTheListsFetchedNow)
{
    fake.user = { "A", "B" };

    struct Case { int id; const char* call; const char* dialog; };
    const Case cases[] = {
        { 1000, "loadFactory Studio Tight", nullptr },
        { 1002, "loadFactory Chugs",        nullptr },
        { 1003, nullptr,                    nullptr },  // past the factory list
        { 1999, nullptr,                    nullptr },
        { 2000, "load A",                   nullptr },
        { 2001, "load B",                   nullptr },
        { 2002, nullptr,                    nullptr },
        { 4999, nullptr,                    nullptr },
        { 5001, nullptr,                    "Rename Preset" },
        { 5002, nullptr,                    nullptr },
        { 8000, nullptr,                    "Delete Preset?" },
        { 8002, nullptr,                    nullptr },
        { 0,    nullptr,                    nullptr },
        { 999,  nullptr,                    nullptr },  // the note item of a long list
        { 11000, nullptr,                   nullptr },  // no menu has such an item
        { 910000, nullptr,                  nullptr },
        { -1,   nullptr,                    nullptr },
        { std::numeric_limits<int>::max(), nullptr, nullptr },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        fake.calls.clear();

        access.handlePresetsMenuResult (c.id);

        EXPECT_EQ (fake.calls, c.call != nullptr ? juce::StringArray (c.call) : juce::StringArray());

        auto* dialog = modalDialog();
        if (c.dialog == nullptr)
        {
            EXPECT_EQ (dialog, nullptr);
            continue;
        }

        ASSERT_NE (dialog, nullptr);
        EXPECT_EQ (dialog->getName(), c.dialog);
        closeAllDialogs();
    }

    // The dialogs were opened for the names at those positions.
    access.handlePresetsMenuResult (5001);
    ASSERT_NE (modalDialog(), nullptr);
    EXPECT_EQ (describe (*modalDialog()).nameField, "B");
    closeAllDialogs();

    access.handlePresetsMenuResult (8000);
    ASSERT_NE (modalDialog(), nullptr);
    EXPECT_EQ (describe (*modalDialog()).message, "Are you sure you want to delete \"A\"?");
    closeAllDialogs();
}

TEST_F (MenuFixture, ListChangedBetweenShowingAndChoosing)
{
    fake.user = { "A", "B", "C" };
    const auto rows = rowsOf (access.buildPresetsMenu());
    ASSERT_EQ (rows.back().text, "C");
    const auto loadC = rows.back().children[0].id;
    const auto loadB = rows[rows.size() - 2].children[0].id;

    // B is deleted elsewhere while the popup is open.
    fake.user = { "A", "C" };
    const auto listCalls = fake.userListCalls;

    access.handlePresetsMenuResult (loadB);
    EXPECT_EQ (fake.calls, juce::StringArray ("load C")) << "the position is applied to the new list";
    EXPECT_GT (fake.userListCalls, listCalls);

    fake.calls.clear();
    access.handlePresetsMenuResult (loadC);
    EXPECT_TRUE (fake.calls.isEmpty()) << "past the new end";

    // The factory list is fetched again as well.
    fake.factory = { "Only One" };
    access.handlePresetsMenuResult (1000);
    EXPECT_EQ (fake.calls, juce::StringArray ("loadFactory Only One"));
    fake.calls.clear();
    access.handlePresetsMenuResult (1001);
    EXPECT_TRUE (fake.calls.isEmpty());
}

TEST_F (MenuFixture, LoadRefreshesTheButtonOnlyWhenItSucceeded)
{
    fake.user = { "Lead" };

    fake.currentName = "Cab Glue";  // what the fake reports once asked
    fake.succeed = false;
    access.handlePresetsMenuResult (2000);
    EXPECT_EQ (fake.calls, juce::StringArray ("load Lead"));
    EXPECT_EQ (access.presetButton().getText(), "Presets" + juce::String::fromUTF8 ("  \xe2\x96\xbe"))
        << "a failed load leaves the text until the next timer tick";

    fake.succeed = true;
    access.handlePresetsMenuResult (2000);
    EXPECT_EQ (access.presetButton().getText(), "Cab Glue" + juce::String::fromUTF8 ("  \xe2\x96\xbe"));

    fake.currentName = "Chugs";
    access.handlePresetsMenuResult (1002);
    EXPECT_EQ (access.presetButton().getText(), "Chugs" + juce::String::fromUTF8 ("  \xe2\x96\xbe"));
}

//==============================================================================
TEST_F (MenuFixture, MoreUserPresetsThanTheIdsHaveRoomFor)
{
    for (const int count : { 3001, 6000 })
    {
        SCOPED_TRACE (count);
        fake.user.clear();
        for (int i = 0; i < count; ++i)
            fake.user.add ("P" + juce::String (i).paddedLeft ('0', 4));

        const auto rows = rowsOf (access.buildPresetsMenu());

        int subMenus = 0;
        for (const auto& row : rows)
        {
            if (row.kind != Row::subMenu)
                continue;

            // Every action of the i-th entry stays in its own range.
            const auto i = subMenus++;
            ASSERT_EQ (row.text, fake.user[i]);
            ASSERT_EQ (row.children[0].id, 2000 + i);
            ASSERT_EQ (row.children[1].id, 5000 + i);
            ASSERT_EQ (row.children[2].id, 8000 + i);
            ASSERT_LT (row.children[0].id, 5000);
            ASSERT_LT (row.children[1].id, 8000);
        }
        EXPECT_EQ (subMenus, 3000);

        // The last line says what is not listed, and cannot be chosen.
        const auto& note = rows.back();
        EXPECT_EQ (note.kind, Row::item);
        EXPECT_FALSE (note.enabled);
        EXPECT_EQ (note.text, count == 3001 ? juce::String ("1 more user preset not listed")
                                            : juce::String ("3000 more user presets not listed"));

        // Ids at the ends of the ranges act on their own range's preset.
        fake.calls.clear();
        access.handlePresetsMenuResult (4999);
        EXPECT_EQ (fake.calls, juce::StringArray ("load P2999"));

        access.handlePresetsMenuResult (5000);
        ASSERT_NE (modalDialog(), nullptr);
        EXPECT_EQ (modalDialog()->getName(), "Rename Preset");
        EXPECT_EQ (describe (*modalDialog()).nameField, "P0000");
        closeAllDialogs();

        access.handlePresetsMenuResult (10999);
        ASSERT_NE (modalDialog(), nullptr);
        EXPECT_EQ (describe (*modalDialog()).message, "Are you sure you want to delete \"P2999\"?");
        closeAllDialogs();

        // Positions past 3000 have no items; their would-be ids do nothing.
        fake.calls.clear();
        for (const int id : { 8000 + 3000, 8000 + 3500, note.id })
        {
            access.handlePresetsMenuResult (id);
            EXPECT_EQ (modalDialog(), nullptr) << id;
        }
        EXPECT_TRUE (fake.calls.isEmpty());
    }
}

TEST_F (MenuFixture, ExactlyThreeThousandNeedNoNote)
{
    for (int i = 0; i < 3000; ++i)
        fake.user.add ("P" + juce::String (i));

    const auto rows = rowsOf (access.buildPresetsMenu());
    EXPECT_EQ (rows.back().kind, Row::subMenu);
    EXPECT_EQ (rows.back().text, "P2999");
}

//==============================================================================
TEST_F (MenuFixture, PopupOpenWhenTheMenuBarIsDeleted)
{
    // The host closes the window while the popup, with a sub-menu open, is
    // still up: the popup goes away without a choice and without touching the
    // deleted menu bar or its look.
    fake.user = { "A", "B" };
    auto window = std::make_unique<juce::Component>();
    auto ownBar = std::make_unique<MenuBar>();
    ownBar->setPresettableProcessor (&fake);
    window->setSize (1304, 200);
    ownBar->setBounds (0, 0, 1304, 73);
    window->addAndMakeVisible (*ownBar);
    window->addToDesktop (0);
    window->setVisible (true);
    takeFocus (*window);

    ownBar->showPresetsMenu();
    pumpMessages (60);
    auto* popup = openPopupWindow();
    ASSERT_NE (popup, nullptr);

    // Open the last user preset's sub-menu with the keyboard: Up goes round
    // to the last item, Right opens its sub-menu.
    auto* peer = popup->getPeer();
    peer->handleKeyPress (juce::KeyPress (juce::KeyPress::upKey));
    pumpMessages (30);
    peer->handleKeyPress (juce::KeyPress (juce::KeyPress::rightKey));
    pumpMessages (60);

    // Both windows, the sub-menu's too, draw with the menu bar's look.
    int menus = 0;
    for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
        if (auto* c = juce::Desktop::getInstance().getComponent (i); c->getName() == "menu")
        {
            ++menus;
            EXPECT_EQ (&c->getLookAndFeel(), &PresetUiTestAccess (*ownBar).menuLookAndFeel());
        }
    EXPECT_EQ (menus, 2) << "the sub-menu did not open";

    const auto before = testing_support::assertionCount();
    ownBar.reset();
    window.reset();
    pumpMessages (100);
    EXPECT_EQ (testing_support::assertionCount(), before);

    // Whatever is still open draws with the framework's look, and choosing
    // from it runs nothing.
    if (auto* left = openPopupWindow())
    {
        EXPECT_EQ (&left->getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
        (void) left->createComponentSnapshot (left->getLocalBounds());
        left->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::downKey));
        left->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::returnKey));
        pumpMessages (100);
    }

    EXPECT_EQ (openPopupWindow(), nullptr);
    EXPECT_TRUE (fake.calls.isEmpty());
    EXPECT_EQ (numModalComponents(), 0);
}

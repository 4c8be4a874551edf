#include "tests/XInput.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace
{
    // One connection for the program's lifetime, apart from the framework's own.
    Display* display()
    {
        static Display* const connection = []() -> Display*
        {
            auto* d = XOpenDisplay (nullptr);
            if (d == nullptr)
                return nullptr;

            int eventBase = 0, errorBase = 0, major = 0, minor = 0;
            if (! XTestQueryExtension (d, &eventBase, &errorBase, &major, &minor))
            {
                XCloseDisplay (d);
                return nullptr;
            }
            return d;
        }();

        return connection;
    }
}

bool x_input::available()
{
    return display() != nullptr;
}

void x_input::moveTo (juce::Point<int> p)
{
    if (auto* d = display())
    {
        XTestFakeMotionEvent (d, DefaultScreen (d), p.x, p.y, CurrentTime);
        XSync (d, False);
    }
}

void x_input::leftButton (bool down)
{
    if (auto* d = display())
    {
        XTestFakeButtonEvent (d, 1, down ? True : False, CurrentTime);
        XSync (d, False);
    }
}

juce::Image x_input::grab (juce::Rectangle<int> area)
{
    auto* d = display();
    if (d == nullptr || area.isEmpty())
        return {};

    auto* image = XGetImage (d, DefaultRootWindow (d), area.getX(), area.getY(),
                             (unsigned int) area.getWidth(), (unsigned int) area.getHeight(), AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};

    const auto channel = [] (unsigned long pixel, unsigned long mask)
    {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) { mask >>= 1; ++shift; }
        return (juce::uint8) ((pixel >> shift) & 0xff);
    };

    juce::Image result (juce::Image::RGB, area.getWidth(), area.getHeight(), false, juce::SoftwareImageType());

    for (int y = 0; y < area.getHeight(); ++y)
        for (int x = 0; x < area.getWidth(); ++x)
        {
            const auto pixel = XGetPixel (image, x, y);
            result.setPixelAt (x, y, juce::Colour (channel (pixel, image->red_mask),
                                                   channel (pixel, image->green_mask),
                                                   channel (pixel, image->blue_mask)));
        }

    XDestroyImage (image);
    return result;
}

juce::Array<juce::Rectangle<int>> x_input::shownTopLevelWindows()
{
    juce::Array<juce::Rectangle<int>> windows;
    auto* d = display();
    if (d == nullptr)
        return windows;

    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;

    if (XQueryTree (d, DefaultRootWindow (d), &root, &parent, &children, &count) == 0)
        return windows;

    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes attributes {};
        if (XGetWindowAttributes (d, children[i], &attributes) != 0 && attributes.map_state == IsViewable)
            windows.add ({ attributes.x, attributes.y, attributes.width, attributes.height });
    }

    if (children != nullptr)
        XFree (children);

    return windows;
}

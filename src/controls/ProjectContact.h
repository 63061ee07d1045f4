#pragma once

// The project's own addresses, shown and opened by the About window. The
// web site and mailbox live under a reserved example domain until the
// project has addresses of its own; change them here only.
struct ProjectContact
{
    static constexpr const char *name = "Ventaro";
    static constexpr const char *webUrl = "https://ventaro.example.org/";
    static constexpr const char *webLabel = "ventaro.example.org";
    static constexpr const char *email = "ventaro@example.org";
    static constexpr const char *authorLine = "Ventaro team, 2026";
};

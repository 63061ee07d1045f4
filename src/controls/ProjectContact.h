#pragma once

// The project's own addresses, shown and opened by the About window. The
// web site and mailbox live under a reserved example domain until the
// project has addresses of its own; change them here only.
struct ProjectContact
{
    static constexpr const char *Name = "Ventaro";
    static constexpr const char *WebUrl = "https://ventaro.example.org/";
    static constexpr const char *WebLabel = "ventaro.example.org";
    static constexpr const char *Email = "ventaro@example.org";
    static constexpr const char *AuthorLine = "Ventaro team, 2026";
};

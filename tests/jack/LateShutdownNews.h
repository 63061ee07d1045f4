#pragma once

// While one lives, every shutdown callback this process gives JACK hears of
// its server's end `delayMs` after libjack itself knows of it, as on a
// loaded machine where JACK's threads run late. The test executable that
// links LateShutdownNews.cpp stands in front of libjack's jack_on_shutdown;
// with none alive the news passes at once.
class LateShutdownNews
{
public:
    explicit LateShutdownNews(int delayMs);
    ~LateShutdownNews();
    LateShutdownNews(const LateShutdownNews &) = delete;
    LateShutdownNews &operator=(const LateShutdownNews &) = delete;
};

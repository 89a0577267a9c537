#include "TextList.h"

int CharPosition(const std::string& s, char ch)
{
    size_t at = s.find(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

int FirstOfCharsPosition(const std::string& s, const std::string& delimiters)
{
    size_t at = s.find_first_of(delimiters);
    return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

std::string TailFrom(const std::string& s, int index)
{
    if (index < 1)
        index = 1;
    if (static_cast<size_t>(index) > s.size())
        return std::string();
    return s.substr(index - 1);
}

std::string TakeToken(std::string& list, const std::string& delimiters)
{
    int p = FirstOfCharsPosition(list, delimiters);
    if (p == -1)
        p = static_cast<int>(list.size()) + 1;
    std::string token = list.substr(0, p - 1);
    list = TailFrom(list, p + 1);
    return token;
}

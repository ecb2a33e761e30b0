#pragma once

#include <QJsonArray>
#include <QMap>
#include <QString>

#include <optional>

namespace zv {

// The service's answers a catalogue build works from, fetched before any row
// is built so that the table can be replaced in one step. An absent answer
// (nullopt) is a query that failed or was not asked; it costs only its own
// rows.
struct CatalogueAnswers
{
    using Answer = std::optional<QJsonArray>;

    bool prepared = false; // set while a build reads from here
    QMap<QString, float> clientVersion;
    Answer userFile;
    Answer rikOffer;
    Answer rikCurrentVersion;
    Answer rikIndices;
    Answer grandIndices;
    Answer bases;
    Answer endings;
    QMap<QString, Answer> baseVersions; // by lower-cased base id
};

} // namespace zv

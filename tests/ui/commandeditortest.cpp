#include "commandeditortest.h"

TExternApplication *CommandEditorTest::addApplication(const QString &name, const QString &path)
{
    auto application = std::make_unique<TExternApplication>();
    application->Name = name;
    application->SetApplicationPath(path);
    return m_catalogue.Applications.append(std::move(application));
}

TExterncommand *CommandEditorTest::addCommand(TExternApplication &application, const QString &name)
{
    auto command = std::make_unique<TExterncommand>();
    command->Name = name;
    return application.Commands.append(std::move(command));
}

TExternCommandParam *CommandEditorTest::addParam(TExterncommand &command, const QString &name,
                                                 const QString &type, const QString &text,
                                                 const QString &opt1, const QString &opt2)
{
    return command.Params.append(
        std::make_unique<TExternCommandParam>(TExternCommandParam{name, type, text, opt1, opt2}));
}

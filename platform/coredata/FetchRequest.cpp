#include "FetchRequest.h"

#include "EntityDescription.h"

FetchRequest FetchRequest::fetchRequestWithEntityName(const QString& entityName)
{
    FetchRequest request;
    request.m_entityName = entityName;
    return request;
}

QString FetchRequest::entityName() const
{
    return m_entity ? m_entity->name() : m_entityName;
}
